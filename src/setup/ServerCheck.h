// The server check before anything is written: which outcome needs which
// word to the user, and what the user's answer means for the run.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "account/account_data.h"
#include "mailcheck/mail_check.h"
#include "setup/report.h"

namespace setup {

// The check of an address's mail server; an empty one checks nothing
// (/nocheck). Tests hand in their own outcomes.
using ServerCheck = std::function<mailcheck::CheckReport(const std::string& email)>;

// The check through the system's resolver and real connections, within its
// hard limit.
ServerCheck system_server_check();

// How the check lets the setup go on: with the settings to write, or not,
// and why.
struct CheckDecision {
  std::optional<account::ConnectionSettings> settings;  // nothing: the run stops
  SetupResult stopped = SetupResult::declined_after_check;
};

// Runs the check of the address (already accepted by the input checks), tells
// what it found through the report and chooses the settings: the routes it
// proved when the server answered, else the plain ones. The setup goes on
// when both sides answered and are encrypted, when nothing could be known, or
// when the user said Yes; on No the focus goes into the address box and
// nothing more is shown. With /requiretls a side that would be plain stops
// the run with an error and no question.
CheckDecision ServerCheckAllows(const SetupInput& input, const ServerCheck& check, SetupReport& report);

}  // namespace setup
