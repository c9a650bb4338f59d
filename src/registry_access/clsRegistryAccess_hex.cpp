// Hex text <-> binary data for clsRegistryAccess. Binary data is a byte
// string; hex text is what callers see ("01 AB FF").
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/runtime_error.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;

namespace {

// The conversions count in signed 16-bit numbers: longer inputs overflow.
constexpr std::size_t kMaxConverted = 32766;

[[noreturn]] void raise_overflow() { platform::raise_runtime_error(platform::errnum::overflow); }

// The length in bytes of the UTF-8 character that begins at text[i]; a byte
// that starts no valid sequence is a character of its own.
std::size_t character_length(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const std::size_t length = lead < 0x80             ? 1
                             : (lead & 0xE0) == 0xC0 ? 2
                             : (lead & 0xF0) == 0xE0 ? 3
                             : (lead & 0xF8) == 0xF0 ? 4
                                                     : 1;
  if (i + length > text.size()) return 1;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A piece of at most two characters read as a hex number: tabs and line feeds
// are skipped, reading stops at the first other non-digit, nothing read is 0.
std::uint8_t piece_value(std::string_view piece) {
  unsigned value = 0;
  for (const char c : piece) {
    if (c == '\t' || c == '\n') continue;
    const int digit = hex_digit(c);
    if (digit < 0) break;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return static_cast<std::uint8_t>(value);
}

}  // namespace

void registry_access_detail::append_bin(std::string& out, std::string_view hex, std::string& digits, HexLimit limit) {
  digits.clear();
  for (std::size_t blank; (blank = hex.find(' ')) != std::string_view::npos; hex.remove_prefix(blank + 1)) {
    digits.append(hex.substr(0, blank));
  }
  digits.append(hex);
  // Characters, not bytes; hex text is mostly ASCII, one byte a character.
  const bool ascii =
      std::all_of(digits.begin(), digits.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  std::size_t n = ascii ? digits.size() : 0;
  for (std::size_t i = 0; !ascii && i < digits.size(); i += character_length(digits, i)) ++n;
  if (limit == HexLimit::public_members && n > kMaxConverted) raise_overflow();
  // n / 2 rounded half to even: an odd count loses or gains its last half
  // piece (ABC -> AB 0C, ABCDE -> AB CD).
  std::size_t pieces = n / 2;
  if (n % 2 == 1 && pieces % 2 == 1) ++pieces;
  out.reserve(out.size() + pieces);
  std::size_t i = 0;
  for (std::size_t p = 0; p < pieces; ++p) {
    // A piece is two characters, or the last one alone.
    std::size_t end = i + (ascii ? 1 : character_length(digits, i));
    if (end < digits.size()) end += ascii ? 1 : character_length(digits, end);
    out += static_cast<char>(piece_value(std::string_view(digits).substr(i, end - i)));
    i = end;
  }
}

// Its text is taken by value, as every public member's is.
std::string clsRegistryAccess::StrToBin(std::string sBin) {  // NOLINT(performance-unnecessary-value-param)
  std::string bytes;
  std::string digits;
  append_bin(bytes, sBin, digits);
  return bytes;
}

void registry_access_detail::append_hex(std::string& out, std::string_view bytes, char separator, HexLimit limit) {
  if (limit == HexLimit::public_members && bytes.size() > kMaxConverted) raise_overflow();
  if (bytes.empty()) return;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::size_t at = out.size();
  out.resize(at + bytes.size() * 3 - 1, separator);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out[at] = kDigits[b >> 4];
    out[at + 1] = kDigits[b & 0x0F];
    at += 3;  // past the separator
  }
}

std::string clsRegistryAccess::BinToStr(const std::string& sStr) {
  // A blank before every byte, the first included.
  std::string hex(sStr.empty() ? 0 : 1, ' ');
  append_hex(hex, sStr, ' ');
  return hex;
}

bool clsRegistryAccess::isBinValid(std::string sBin) {
  const std::string text = trim_blanks(ascii_upper(remove_all(std::move(sBin), ' ')));
  if (text.empty()) return false;
  // No parity test: an odd number of digits is valid.
  return text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}
