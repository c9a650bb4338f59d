// Windows described as data, for the window layer to build: sizes and places
// in twips (15 twips are one pixel at 96 dpi), relative to the client area of
// the window or of the containing frame.
#pragma once

#include <cstdint>
#include <span>

#include "window/ui.h"

namespace window {

enum class ControlKind { label, text_box, multi_line_text_box, drop_down_list, button, frame, picture };
enum class Border { fixed_single, fixed_tool_window };
enum class StartPosition { center_screen, center_owner };

struct ControlLayout {
  ControlId id;
  const char* name;  // e.g. "txtadsoyad"
  ControlKind kind;
  const char* text;  // UTF-8 caption or initial text; "" when none
  int left, top, width, height;
  int tab_index;     // -1: none; labels and frames keep theirs but take no focus
  ControlId parent;  // 0: the window itself; otherwise the frame that holds it
  bool visible;
  bool bold;
  std::uint32_t text_color;  // 0x00BBGGRR
  int picture;               // image resource id; 0 when none
  bool default_button;       // pressed by Enter
  bool cancel_button;        // pressed by Esc
};

struct FormLayout {
  FormId id;
  const char* name;     // "Form1"
  const char* caption;  // UTF-8
  int client_width, client_height;
  Border border;
  int icon;  // icon resource id; 0 when none
  StartPosition start_position;
  bool show_in_taskbar;
  std::span<const ControlLayout> controls;  // in creation (z-) order
};

// What the window layer reports to the program's handlers.
class UiEvents {
 public:
  virtual ~UiEvents() = default;
  // Every window the program has, each control ID used once over all of them.
  virtual std::span<const FormLayout* const> layouts() = 0;
  virtual void on_load(Ui& ui, FormId form) = 0;
  virtual void on_click(Ui& ui, ControlId control) = 0;
  virtual void on_selection_change(Ui& ui, ControlId control) = 0;
};

}  // namespace window
