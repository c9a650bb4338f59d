// The three windows of the tool: their layout tables and their handlers.
#pragma once

#include "platform/ui_layout.h"

namespace forms {

constexpr platform::FormId Form1 = 1;
constexpr platform::FormId Form2 = 2;
constexpr platform::FormId Form3 = 3;

const platform::FormLayout& form_layout(platform::FormId form);

// Events that the window layer reports. An error that escapes a handler is
// shown (number and description) and ends the process.
void on_load(platform::Ui& ui, platform::FormId form);
void on_click(platform::Ui& ui, platform::ControlId control);
void on_selection_change(platform::Ui& ui, platform::ControlId control);

}  // namespace forms
