// What one press of the setup button does, from the checks to the end of the
// program.
#pragma once

#include "platform/registry.h"
#include "setup/ServerCheck.h"
#include "setup/report.h"

namespace setup {

// Checks the input and the mail server, sets the account up in the chosen
// program and reports the completion. Returns how the run ended when it returns at all: the windows'
// report ends the program on completion. Errors of the file service, the
// process start and the registry class are raised to the caller.
SetupResult RunSetup(const SetupInput& input, SetupReport& report, const ServerCheck& check,
                     platform::Registry& registry = platform::default_registry());

}  // namespace setup
