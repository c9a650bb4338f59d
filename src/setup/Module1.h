// Module1: the program's one helper that asks the system for a folder.
#pragma once

#include <optional>
#include <string>

namespace Module1 {

// The user's temporary folder as the system reports it (UTF-8), or empty text
// when the system reports none. No separator is added here.
std::string GetTempFolder();

// The temporary folder for the profile file that the setup hands to Outlook,
// with its final separator: GetTempFolder's text when the folder's real name
// survives the ANSI code page, else the folder's short name when that does;
// and only when the profile file's whole path in it fits the ANSI path limit.
// Nothing otherwise: an ANSI text that is empty, cut or lossy would name
// another folder.
std::optional<std::string> UsableTempFolder();

}  // namespace Module1
