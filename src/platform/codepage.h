// Conversion between the program's UTF-8 texts and the system ANSI code page
// (GetACP() on Windows, Windows-1254 in the native build). Characters that the
// code page cannot hold become '?', as Windows' best-fit-free conversion does.
#pragma once

#include <string>

namespace platform {

unsigned ansi_code_page();
std::string utf8_to_ansi(const std::string& utf8);
std::string ansi_to_utf8(const std::string& ansi);

#ifdef _WIN32
std::wstring utf8_to_wide(const std::string& utf8);
std::string wide_to_utf8(const std::wstring& wide);
#endif

}  // namespace platform
