#include "platform/codepage.h"

#include <array>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

namespace {

#ifndef _WIN32
void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one code point; a malformed sequence yields U+FFFD and moves on by one byte.
char32_t next_code_point(const std::string& s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int extra = 0;
  char32_t c = 0;
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    c = b0 & 0x07;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + extra >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (b & 0x3F);
  }
  i += extra + 1;
  return c;
}

char unicode_to_cp1254(char32_t c) {
  if (c < 0x80) return static_cast<char>(c);
  for (unsigned b = 0x80; b <= 0xFF; ++b) {
    if (cp1254_to_unicode(static_cast<unsigned char>(b)) == c) return static_cast<char>(b);
  }
  return '?';
}
#endif

// Every code page of the system keeps the ASCII characters as they are, so a
// text of them alone needs no conversion.
bool is_ascii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

// Windows-1254 bytes 0x80..0x9F; bytes the code page leaves undefined map to
// the C1 control of the same number, as Windows does.
namespace {
constexpr std::array<char16_t, 32> kCp1254High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x008E, 0x008F,
                                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178};

}  // namespace

char32_t cp1254_to_unicode(unsigned char b) {
  if (b < 0x80) return b;
  if (b < 0xA0) return kCp1254High[b - 0x80];
  switch (b) {
    case 0xD0: return 0x011E;
    case 0xDD: return 0x0130;
    case 0xDE: return 0x015E;
    case 0xF0: return 0x011F;
    case 0xFD: return 0x0131;
    case 0xFE: return 0x015F;
    default: return b;
  }
}

#ifdef _WIN32

unsigned ansi_code_page() { return GetACP(); }

std::wstring utf8_to_wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string wide_to_utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string utf8_to_ansi(const std::string& utf8) {
  if (is_ascii(utf8)) return utf8;
  const std::wstring wide = utf8_to_wide(utf8);
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, "?", nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out.data(), n, "?",
                      nullptr);
  return out;
}

std::string ansi_to_utf8(const std::string& ansi) {
  if (is_ascii(ansi)) return ansi;
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return wide_to_utf8(wide);
}

#else

unsigned ansi_code_page() { return 1254; }

std::string utf8_to_ansi(const std::string& utf8) {
  if (is_ascii(utf8)) return utf8;
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) out += unicode_to_cp1254(next_code_point(utf8, i));
  return out;
}

std::string ansi_to_utf8(const std::string& ansi) {
  if (is_ascii(ansi)) return ansi;
  std::string out;
  out.reserve(ansi.size() * 2);
  for (const char ch : ansi) append_utf8(out, cp1254_to_unicode(static_cast<unsigned char>(ch)));
  return out;
}

#endif

}  // namespace platform
