// The three windows described as data: sizes and places in twips (15 twips
// are one pixel at 96 dpi), relative to the client area of the window or of
// the containing frame. The platform's window layer turns these tables into
// real windows; the handlers below are all the behaviour the windows have.
#pragma once

#include <cstdint>
#include <span>

#include "platform/ui.h"

namespace forms {

constexpr platform::FormId Form1 = 1;
constexpr platform::FormId Form2 = 2;
constexpr platform::FormId Form3 = 3;

enum class Kind { label, text_box, multi_line_text_box, drop_down_list, button, frame, picture };
enum class Picture { none, logo, outlook, express };
enum class Border { fixed_single, fixed_tool_window };
enum class StartPosition { center_screen, center_owner };

struct ControlLayout {
  platform::ControlId id;
  const char* name;  // the control's name, e.g. "txtadsoyad"
  Kind kind;
  const char* text;  // UTF-8 caption or initial text; "" when none
  int left, top, width, height;
  int tab_index;                // -1: takes no focus
  platform::ControlId parent;   // 0: the window itself; otherwise the frame that holds it
  bool visible;
  bool bold;
  std::uint32_t text_color;     // 0x00BBGGRR
  Picture picture;
  bool default_button;          // pressed by Enter
  bool cancel_button;           // pressed by Esc
};

struct FormLayout {
  platform::FormId id;
  const char* name;     // "Form1"
  const char* caption;  // UTF-8
  int client_width, client_height;
  Border border;
  bool has_icon;
  StartPosition start_position;
  bool show_in_taskbar;
  std::span<const ControlLayout> controls;  // in creation (z-) order
};

const FormLayout& form_layout(platform::FormId form);

// Events that the window layer reports. Errors that escape a handler are
// reported here (number and description) and end the process.
void on_load(platform::Ui& ui, platform::FormId form);
void on_click(platform::Ui& ui, platform::ControlId control);
void on_selection_change(platform::Ui& ui, platform::ControlId control);

}  // namespace forms
