// Hex text <-> binary data for clsRegistryAccess. Binary data is a byte
// string; hex text is what callers see ("01 AB FF").
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime_error.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;

namespace {

// The conversions count in signed 16-bit numbers: longer inputs overflow.
constexpr std::size_t kMaxConverted = 32766;

[[noreturn]] void raise_overflow() { platform::raise_runtime_error(platform::errnum::overflow); }

// The characters of a UTF-8 text; a byte that starts no valid sequence is a
// character of its own.
std::vector<std::string_view> characters(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80             ? 1
                         : (lead & 0xE0) == 0xC0 ? 2
                         : (lead & 0xF0) == 0xE0 ? 3
                         : (lead & 0xF8) == 0xF0 ? 4
                                                 : 1;
    if (i + length > text.size()) length = 1;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        length = 1;
        break;
      }
    }
    out.push_back(text.substr(i, length));
    i += length;
  }
  return out;
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

std::string clsRegistryAccess::StrToBin(std::string sBin) {
  sBin = remove_all(std::move(sBin), ' ');
  const std::vector<std::string_view> chars = characters(sBin);
  const std::size_t n = chars.size();
  if (n > kMaxConverted) raise_overflow();
  // n / 2 rounded half to even: an odd count loses or gains its last half
  // piece (ABC -> AB 0C, ABCDE -> AB CD).
  std::size_t pieces = n / 2;
  if (n % 2 == 1 && pieces % 2 == 1) ++pieces;
  std::string bytes;
  bytes.reserve(pieces);
  for (std::size_t p = 0; p < pieces; ++p) {
    std::string piece(chars[2 * p]);
    if (2 * p + 1 < n) piece += chars[2 * p + 1];
    bytes += static_cast<char>(piece_value(piece));
  }
  return bytes;
}

std::string clsRegistryAccess::BinToStr(const std::string& sStr) {
  if (sStr.size() > kMaxConverted) raise_overflow();
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(sStr.size() * 3);
  for (const char c : sStr) {
    const auto b = static_cast<unsigned char>(c);
    hex += ' ';
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

bool clsRegistryAccess::isBinValid(std::string sBin) {
  const std::string text = trim_blanks(ascii_upper(remove_all(std::move(sBin), ' ')));
  if (text.empty()) return false;
  // No parity test: an odd number of digits is valid.
  return text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}
