// The three windows of the tool as data: their IDs and layout tables.
#pragma once

#include <span>

#include "window/ui_layout.h"

namespace forms {

constexpr platform::FormId Form1 = 1;
constexpr platform::FormId Form2 = 2;
constexpr platform::FormId Form3 = 3;

const platform::FormLayout& form_layout(platform::FormId form);
// The three windows' layouts.
std::span<const platform::FormLayout* const> form_layouts();

}  // namespace forms
