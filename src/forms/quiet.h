// The run without windows: the same checks and the same set-up as a press of
// the setup button, told through an exit code and the parent's console.
#pragma once

#include <functional>
#include <string>

#include "forms/command_line.h"
#include "platform/registry.h"

namespace forms {

// The exit codes of a quiet run.
namespace quiet_exit {
constexpr int set_up = 0;
constexpr int other_error = 1;
constexpr int input_refused = 2;
constexpr int outlook_missing = 3;
constexpr int not_saved = 4;
constexpr int outlook_not_started = 5;
constexpr int bad_command_line = 64;
}  // namespace quiet_exit

using Print = std::function<void(const std::string&)>;

// Runs the setup that the options name and returns the exit code; every text
// the windows would have shown in an error box, and the completion, goes to
// print. The reminder to close the mail program is not given.
int run_quiet(const StartOptions& options, const Print& print,
              platform::Registry& registry = platform::default_registry());

}  // namespace forms
