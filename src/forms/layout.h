// The three windows of the tool as data: their IDs and layout tables.
#pragma once

#include <span>

#include "window/ui_layout.h"

namespace forms {

constexpr window::FormId Form1 = 1;
constexpr window::FormId Form2 = 2;
constexpr window::FormId Form3 = 3;

const window::FormLayout& form_layout(window::FormId form);
// The three windows' layouts.
std::span<const window::FormLayout* const> form_layouts();

}  // namespace forms
