// The handlers of the three windows with the registry they work on, for
// callers that choose it (tests); the window layer uses the overloads of
// layout.h, which work on the process's own registry.
#pragma once

#include <string>

#include "platform/error.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace forms {

void on_click(platform::Ui& ui, platform::ControlId control, platform::Registry& registry);

// The text shown for an error that escapes a handler, before the process ends.
std::string escaped_error_text(const platform::RuntimeError& error);

}  // namespace forms
