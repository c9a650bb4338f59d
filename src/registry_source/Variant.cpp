#include "registry_source/Variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/error.h"
#include "platform/locale.h"

namespace {

// The runtime's own errors, raised with the program's name as source.
constexpr long type_mismatch = 13;
constexpr long invalid_use_of_null = 94;

[[noreturn]] void raise(long number, const char* description) {
  throw platform::RuntimeError(number, "Telvora", description);
}

[[noreturn]] void raise_overflow() { raise(platform::errnum::overflow, "Overflow"); }

std::string format_double(double value) {
  // Fifteen significant digits, as the runtime shows a double.
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text = buffer;
  const std::string separator = platform::decimal_separator();
  if (const auto dot = text.find('.'); dot != std::string::npos) {
    text.replace(dot, 1, separator);
  }
  return text;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Reads a whole text as a number: blanks around it, a sign, digits with an
// optional fraction after the locale's decimal separator, an optional
// exponent. Anything else is no number.
std::optional<double> parse_number(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && is_blank(text[begin])) ++begin;
  while (end > begin && is_blank(text[end - 1])) --end;

  const std::string separator = platform::decimal_separator();
  std::string normalized;  // the same number in the C locale, for strtod
  std::size_t i = begin;
  auto digits = [&] {
    std::size_t count = 0;
    while (i < end && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
      normalized += text[i++];
      ++count;
    }
    return count;
  };
  if (i < end && (text[i] == '+' || text[i] == '-')) normalized += text[i++];
  std::size_t mantissa_digits = digits();
  if (!separator.empty() && text.compare(i, separator.size(), separator) == 0) {
    i += separator.size();
    normalized += '.';
    mantissa_digits += digits();
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    normalized += text[i++];
    if (i < end && (text[i] == '+' || text[i] == '-')) normalized += text[i++];
    if (digits() == 0) return std::nullopt;
  }
  if (i != end) return std::nullopt;
  return std::strtod(normalized.c_str(), nullptr);
}

// Any value as a whole number, fractions rounded half to even, before the
// range of the target is checked.
template <class Integer>
Integer to_integer(const Variant& value) {
  using limits = std::numeric_limits<Integer>;
  auto from_double = [](double d) -> Integer {
    const double rounded = std::nearbyint(d);  // the default rounding mode rounds half to even
    if (!(rounded >= static_cast<double>(limits::min()) && rounded <= static_cast<double>(limits::max()))) {
      raise_overflow();  // also NaN
    }
    return static_cast<Integer>(rounded);
  };
  return std::visit(
      [&](const auto& v) -> Integer {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return 0;
        } else if constexpr (std::is_same_v<T, Null>) {
          raise(invalid_use_of_null, "Invalid use of Null");
        } else if constexpr (std::is_same_v<T, bool>) {
          // True is -1 to the runtime, which no byte can hold.
          if (v && !limits::is_signed) raise_overflow();
          return v ? static_cast<Integer>(-1) : 0;
        } else if constexpr (std::is_same_v<T, double>) {
          return from_double(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          const auto number = parse_number(v);
          if (!number) raise(type_mismatch, "Type mismatch");
          return from_double(*number);
        } else {
          if (std::cmp_less(v, limits::min()) || std::cmp_greater(v, limits::max())) raise_overflow();
          return static_cast<Integer>(v);
        }
      },
      value);
}

}  // namespace

bool is_empty(const Variant& value) { return std::holds_alternative<std::monostate>(value); }

std::string to_text(const Variant& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<T, Null>) {
          raise(invalid_use_of_null, "Invalid use of Null");
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "True" : "False";
        } else if constexpr (std::is_same_v<T, double>) {
          return format_double(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else {
          return std::to_string(v);  // the byte kind too: a number, not a character
        }
      },
      value);
}

std::int32_t to_long(const Variant& value) { return to_integer<std::int32_t>(value); }

std::uint8_t to_byte(const Variant& value) { return to_integer<std::uint8_t>(value); }
