// The run without windows: the same checks and the same set-up as a press of
// the setup button, told through an exit code and the parent's console.
#pragma once

#include <functional>
#include <string>

#include "forms/command_line.h"
#include "platform/registry.h"
#include "setup/ServerCheck.h"

namespace forms {

// The exit codes of a quiet run.
namespace quiet_exit {
constexpr int set_up = 0;
constexpr int other_error = 1;
constexpr int input_refused = 2;
constexpr int outlook_missing = 3;
constexpr int not_saved = 4;
constexpr int outlook_not_started = 5;
constexpr int no_such_server = 6;  // the domain or mail.<domain> does not exist; nothing written
constexpr int not_encrypted = 7;   // /requiretls, and a side could not be encrypted; nothing written
constexpr int bad_command_line = 64;
}  // namespace quiet_exit

using Print = std::function<void(const std::string&)>;

// Runs the setup that the options name and returns the exit code; every text
// the windows would have shown in an error box, what the server check found,
// and the completion, goes to print. The reminder to close the mail program
// is not given. A finding the windows would ask about takes the question's
// default answer: a server that did not answer, or that offers no trusted
// encryption, is set up anyway, a domain or server that does not exist is
// not. The check is left out with /nocheck. The settings of an account
// written are printed before the completion.
int run_quiet(const StartOptions& options, const Print& print, platform::Registry& registry,
              const setup::ServerCheck& check);
// The same on the process's registry with the system's server check.
int run_quiet(const StartOptions& options, const Print& print);

}  // namespace forms
