// Starting a program from a command line, without waiting for it.
#pragma once

#include <string>

namespace sys {

// The launch value for Outlook: it starts minimised and the focus stays with
// the program (SW_MINIMIZE).
constexpr int sw_minimize = 6;

// Starts the command line (Windows quoting rules) with the given show-window
// value; returns the process id. A start that fails raises RuntimeError 53.
unsigned long start_process(const std::string& command_line, int show_window);

// Expands %NAME% references from the process environment; unknown names stay.
std::string expand_environment_strings(const std::string& text);

}  // namespace sys
