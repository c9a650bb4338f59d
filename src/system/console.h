// Text for whoever started the program, for a run without windows.
#pragma once

#include <string>

namespace sys {

// Writes the text and a line end to the program's standard output when the
// starter handed one over (a file or a pipe, as UTF-8), else to the console of
// the parent process when it has one; nothing is shown otherwise.
void write_to_parent_console(const std::string& utf8_text);

}  // namespace sys
