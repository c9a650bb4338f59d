// Arbitrary bytes through the hex text conversion: binary data survives
// BinToStr and StrToBin whole, and any text is read as StrToBin's rules say,
// with isBinValid agreeing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/registry_emulated.h"
#include "registry_access/clsRegistryAccess.h"

namespace {

void require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
  }
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The number of bytes StrToBin makes of n digits: n / 2, an exact half going
// to the even neighbour (1 digit gives none, 3 give two, 5 give two).
std::size_t pieces_for(std::size_t n) {
  const std::size_t whole = n / 2;
  if (n % 2 == 0) return whole;
  return whole % 2 == 0 ? whole : whole + 1;
}

void binary_survives_hex(clsRegistryAccess& access, const std::string& bytes) {
  const std::string hex = access.BinToStr(bytes);
  require(hex.size() == 3 * bytes.size(), "BinToStr writes a blank and two digits per byte");
  for (std::size_t i = 0; i < hex.size(); i += 3) {
    const unsigned char byte = static_cast<unsigned char>(bytes[i / 3]);
    require(hex[i] == ' ', "each byte begins with a blank");
    require(hex_digit(hex[i + 1]) == byte >> 4 && hex_digit(hex[i + 2]) == (byte & 15), "each byte is its two digits");
    require(!(hex[i + 1] >= 'a' && hex[i + 1] <= 'f') && !(hex[i + 2] >= 'a' && hex[i + 2] <= 'f'),
            "digits are upper case");
  }
  require(access.StrToBin(hex) == bytes, "StrToBin(BinToStr(x)) == x");
  require(access.isBinValid(hex) == !bytes.empty(), "BinToStr's text is valid hex unless empty");
}

void text_read_as_hex(clsRegistryAccess& access, const std::string& text) {
  std::string digits;  // the text without its blanks
  bool ascii = true;
  bool all_hex = true;
  for (char c : text) {
    if (c == ' ') continue;
    digits += c;
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    all_hex = all_hex && hex_digit(c) >= 0;
  }
  const std::string bin = access.StrToBin(text);
  require(access.isBinValid(text) == (!digits.empty() && all_hex), "isBinValid accepts hex digits and blanks only");
  if (!ascii) {
    // Beyond ASCII a character may take several bytes of the text; the
    // count of pieces is then not fixed here, only its bound.
    require(bin.size() <= digits.size() / 2 + 1, "no more bytes than pieces");
    return;
  }
  require(bin.size() == pieces_for(digits.size()), "one byte per piece, odd counts rounded to even");
  require(access.StrToBin(digits) == bin, "blanks play no part");
  if (all_hex) {
    for (std::size_t k = 0; k < bin.size(); ++k) {
      int value = 0;
      for (char c : digits.substr(2 * k, 2)) value = value * 16 + hex_digit(c);
      require(static_cast<unsigned char>(bin[k]) == value, "each piece is its hex value");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static platform::EmulatedRegistry registry;
  static clsRegistryAccess access(registry);
  const std::string input(reinterpret_cast<const char*>(data), size);
  binary_survives_hex(access, input);
  text_read_as_hex(access, input);
  return 0;
}
