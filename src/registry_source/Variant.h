// The loosely typed value that ClsRegistry reads and writes, with the
// language runtime's conversions between its kinds.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

// A value that holds no data and has no text form (as a database field that
// was never filled in). Converting it to anything fails.
struct Null {
  bool operator==(const Null&) const = default;
};

// std::monostate is the empty value: nothing was found, and it converts to ""
// or 0. The 8-bit unsigned integer is the byte kind, the 16-bit integer the
// short one, std::int32_t the long one.
using Variant = std::variant<std::monostate, Null, bool, std::uint8_t, std::int16_t, std::int32_t, std::int64_t, double,
                             std::string>;

bool is_empty(const Variant& value);

// The runtime's conversion of a value to text under the user's regional
// settings: empty gives "", numbers are decimal (a fraction uses the locale's
// decimal separator), booleans "True"/"False". Null raises "Invalid use of Null".
std::string to_text(const Variant& value);

// Conversions to a 32-bit signed integer and to a byte. Fractions round half
// to even; text is read as a number; a value out of range raises "Overflow",
// text that is no number raises "Type mismatch", Null "Invalid use of Null".
std::int32_t to_long(const Variant& value);
std::uint8_t to_byte(const Variant& value);
