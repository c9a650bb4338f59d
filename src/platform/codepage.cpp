#include "platform/codepage.h"

#include <array>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>

#include "platform/runtime_error.h"
#endif

namespace platform {

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

namespace {

// A text the system refuses to convert must not travel on as "".
[[noreturn]] void raise_conversion_error() { raise_runtime_error(errnum::invalid_procedure_call); }

// Code pages whose conversion takes no flags and no default character:
// Windows refuses both for them (UTF-8 among them, which Windows 10 and 11 can
// make the ANSI code page).
bool takes_no_flags(UINT code_page) {
  return code_page == CP_UTF8 || code_page == CP_UTF7 || code_page == 42 ||
         (code_page >= 50220 && code_page <= 50229) || (code_page >= 57002 && code_page <= 57011);
}

std::wstring to_wide(UINT code_page, const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  if (n <= 0) raise_conversion_error();
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  if (MultiByteToWideChar(code_page, 0, text.data(), size, out.data(), n) != n) raise_conversion_error();
  return out;
}

// Without best fit: a character the code page lacks becomes '?', never a
// look-alike (a full-width backslash must not become a backslash).
std::string from_wide(UINT code_page, const std::wstring& wide) {
  if (wide.empty()) return {};
  const bool plain = takes_no_flags(code_page);
  const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = plain ? nullptr : "?";
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(code_page, flags, wide.data(), size, nullptr, 0, fallback, nullptr);
  if (n <= 0) raise_conversion_error();
  std::string out(static_cast<std::size_t>(n), '\0');
  if (WideCharToMultiByte(code_page, flags, wide.data(), size, out.data(), n, fallback, nullptr) != n) {
    raise_conversion_error();
  }
  return out;
}

}  // namespace

unsigned ansi_code_page() { return GetACP(); }

std::wstring utf8_to_wide(const std::string& utf8) { return to_wide(CP_UTF8, utf8); }
std::string wide_to_utf8(const std::wstring& wide) { return from_wide(CP_UTF8, wide); }
// ASCII is the same in every ANSI code page: it needs no conversion.
std::string utf8_to_ansi(const std::string& utf8) {
  return is_ascii(utf8) ? utf8 : from_wide(CP_ACP, utf8_to_wide(utf8));
}
std::string ansi_to_utf8(const std::string& ansi) {
  return is_ascii(ansi) ? ansi : wide_to_utf8(to_wide(CP_ACP, ansi));
}

#else

namespace {
unsigned emulated_code_page = 1254;

// Malformed UTF-8 becomes U+FFFD, as the system's UTF-8 conversion makes it.
std::string utf8_cleaned(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) append_utf8(out, next_code_point(text, i));
  return out;
}
}  // namespace

unsigned ansi_code_page() { return emulated_code_page; }

void set_ansi_code_page(unsigned code_page) { emulated_code_page = code_page; }

std::string utf8_to_ansi(const std::string& utf8) {
  if (is_ascii(utf8)) return utf8;
  if (emulated_code_page == 65001) return utf8_cleaned(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) out += unicode_to_cp1254(next_code_point(utf8, i));
  return out;
}

std::string ansi_to_utf8(const std::string& ansi) {
  if (is_ascii(ansi)) return ansi;
  if (emulated_code_page == 65001) return utf8_cleaned(ansi);
  std::string out;
  out.reserve(ansi.size() * 2);
  for (const char ch : ansi) append_utf8(out, cp1254_to_unicode(static_cast<unsigned char>(ch)));
  return out;
}

#endif

// Malformed UTF-8 does not survive either: it comes back as U+FFFD.
bool ansi_can_hold(const std::string& utf8) { return ansi_to_utf8(utf8_to_ansi(utf8)) == utf8; }

}  // namespace platform
