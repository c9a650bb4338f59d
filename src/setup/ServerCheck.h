// The server check before anything is written: which outcome needs which
// word to the user, and what the user's answer means for the run.
#pragma once

#include <functional>
#include <string>

#include "mailcheck/mail_check.h"
#include "setup/report.h"

namespace setup {

// The check of an address's mail server; an empty one checks nothing
// (/nocheck). Tests hand in their own outcomes.
using ServerCheck = std::function<mailcheck::CheckReport(const std::string& email)>;

// The check through the system's resolver and real connections, within its
// hard limit.
ServerCheck system_server_check();

// Runs the check of the address (already accepted by the input checks) and
// tells what it found through the report. True when the setup goes on: both
// services answered, nothing could be known, or the user said Yes. On No the
// focus goes into the address box and nothing more is shown.
bool ServerCheckAllows(const std::string& email, const ServerCheck& check, SetupReport& report);

}  // namespace setup
