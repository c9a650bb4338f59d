// The three windows of the tool: their layout tables and their handlers.
#pragma once

#include "forms/command_line.h"
#include "platform/ui_layout.h"
#include "setup/ServerCheck.h"

namespace forms {

constexpr platform::FormId Form1 = 1;
constexpr platform::FormId Form2 = 2;
constexpr platform::FormId Form3 = 3;

const platform::FormLayout& form_layout(platform::FormId form);

// Events that the window layer reports. An error that escapes a handler is
// shown (number and description) and ends the process.
void on_load(platform::Ui& ui, platform::FormId form);
// The same, with what the command line asks for: the main window filled in
// and the focus on the setup button, the switches listed, or a wrong command
// line told before the window opens empty.
void on_load(platform::Ui& ui, platform::FormId form, const StartOptions& options);
// A press checks the mail server first unless the command line said /nocheck.
void on_click(platform::Ui& ui, platform::ControlId control, const StartOptions& options);
void on_selection_change(platform::Ui& ui, platform::ControlId control);

// The system's server check, or none with /nocheck.
setup::ServerCheck server_check_of(const StartOptions& options);

}  // namespace forms
