// What one press of the setup button does, from the checks to the end of the
// program.
#pragma once

#include "platform/registry.h"
#include "platform/ui.h"

namespace setup {

// Returns only when the run stopped with the main window still usable (input
// refused, Outlook not registered, the account not saved); a completed run
// shows the completion window and ends the process. Errors of the file
// service, the process start and the registry class are raised to the caller.
void RunSetup(platform::Ui& ui, platform::Registry& registry = platform::default_registry());

}  // namespace setup
