// Conversion between the program's UTF-8 texts and the system ANSI code page
// (GetACP() on Windows, Windows-1254 in the native build). Characters that the
// code page cannot hold become '?', as Windows' best-fit-free conversion does.
#pragma once

#include <string>

namespace platform {

unsigned ansi_code_page();
std::string utf8_to_ansi(const std::string& utf8);
std::string ansi_to_utf8(const std::string& ansi);

// One byte of Windows-1254 as Unicode; bytes the code page leaves undefined
// map to the C1 control of the same number, as Windows does.
char32_t cp1254_to_unicode(unsigned char byte);

#ifdef _WIN32
std::wstring utf8_to_wide(const std::string& utf8);
std::string wide_to_utf8(const std::wstring& wide);
#endif

}  // namespace platform
