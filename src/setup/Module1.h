// Module1: the program's one helper that asks the system for a folder.
#pragma once

#include <string>

namespace Module1 {

// The user's temporary folder as the system reports it (UTF-8), or empty text
// when the system reports none. No separator is added here.
std::string GetTempFolder();

}  // namespace Module1
