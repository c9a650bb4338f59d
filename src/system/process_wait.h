// Running a program to its end, for tools and tests that drive another
// Windows program (the registry editor) and look at what it did afterwards.
// Windows build only: the native build has no Windows programs to run.
#pragma once

#ifdef _WIN32

#include <string>

namespace sys {

// Result of run_and_wait when the program could not be started.
constexpr long run_not_started = -1;
// Result of run_and_wait when the program was still running at the time-out;
// it has then been ended.
constexpr long run_timed_out = -2;

// Starts the command line (Windows quoting rules) without a window and waits
// for it to end, at most timeout_ms milliseconds. Returns the program's exit
// code, or one of the two negative results above.
long run_and_wait(const std::string& command_line, unsigned long timeout_ms);

}  // namespace sys

#endif
