// Conversion between the program's UTF-8 texts and the system ANSI code page
// (GetACP() on Windows, Windows-1254 in the native build unless a test chooses
// UTF-8). Characters that the code page cannot hold become '?', as Windows'
// best-fit-free conversion does. A conversion that the system refuses raises
// RuntimeError 5 rather than handing out an empty text.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

unsigned ansi_code_page();
std::string utf8_to_ansi(const std::string& utf8);
std::string ansi_to_utf8(const std::string& ansi);

// True when the text survives a trip through the ANSI code page unchanged:
// no character is lost or replaced by a look-alike.
bool ansi_can_hold(const std::string& utf8);

#ifndef _WIN32
// The emulated platform's ANSI code page: 1254 (the default) or 65001, the
// UTF-8 code page that Windows 10 and 11 can be set to.
void set_ansi_code_page(unsigned code_page);
#endif

// Decodes the code point of UTF-8 text that starts at byte i and moves i past
// it; a malformed sequence gives U+FFFD and moves on by one byte.
char32_t next_code_point(const std::string& s, std::size_t& i);

// One byte of Windows-1254 as Unicode; bytes the code page leaves undefined
// map to the C1 control of the same number, as Windows does.
char32_t cp1254_to_unicode(unsigned char byte);

#ifdef _WIN32
std::wstring utf8_to_wide(const std::string& utf8);
std::string wide_to_utf8(const std::wstring& wide);
#endif

}  // namespace platform
