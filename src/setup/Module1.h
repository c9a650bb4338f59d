// Module1: the program's one helper that asks the system for a folder.
#pragma once

#include <optional>
#include <string>

namespace Module1 {

// The user's temporary folder as the system reports it (UTF-8), or empty text
// when the system reports none. No separator is added here.
std::string GetTempFolder();

// The temporary folder for the files the setup hands to other programs:
// GetTempFolder's text when the folder's real name survives the ANSI code
// page, else the folder's short name when that does; nothing when neither
// does, since the ANSI text would then name another folder.
std::optional<std::string> UsableTempFolder();

}  // namespace Module1
