// The program's own command line, split by the system's rules.
#pragma once

#include <string>
#include <vector>

namespace sys {

// Splits a command line into the program and its arguments as Windows does
// (CommandLineToArgvW there).
std::vector<std::string> split_command_line(const std::string& command_line);

#ifdef _WIN32
// This process's own arguments, the program name left out.
std::vector<std::string> own_arguments();
#endif

}  // namespace sys
