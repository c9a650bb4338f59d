// The user-interface services that the windows and the setup use. Windows
// are named by form number (1..3), controls by their control ID (unique over
// all forms). Texts are UTF-8.
#pragma once

#include <functional>
#include <string>

namespace window {

using FormId = int;
using ControlId = int;

namespace mb {
constexpr int error = 16;        // vbCritical / MB_ICONERROR
constexpr int information = 64;  // vbInformation / MB_ICONINFORMATION
// A Yes/No question with the exclamation icon: Yes is the default button, or
// No with the second style (MB_YESNO | MB_ICONEXCLAMATION [| MB_DEFBUTTON2]).
constexpr int question_yes_default = 52;
constexpr int question_no_default = 308;
}  // namespace mb

class Ui {
 public:
  Ui() = default;
  Ui(const Ui&) = delete;
  Ui& operator=(const Ui&) = delete;
  virtual ~Ui() = default;

  // A modal box with only an OK button; returns when it is closed.
  virtual void message_box(const std::string& text, int style, const std::string& caption) = 0;
  // A modal Yes/No box (the style holds MB_YESNO and the default button);
  // true when it is answered Yes.
  virtual bool ask(const std::string& text, int style, const std::string& caption) = 0;
  virtual std::string text(ControlId control) = 0;
  virtual void set_text(ControlId control, const std::string& text) = 0;
  // 0-based index of the selected item, -1 when none.
  virtual int list_index(ControlId control) = 0;
  virtual void add_item(ControlId control, const std::string& text) = 0;
  // Selects the item and fires the list's selection event.
  virtual void set_list_index(ControlId control, int index) = 0;
  virtual void set_focus(ControlId control) = 0;
  virtual void set_visible(ControlId control, bool visible) = 0;
  // Modeless: returns at once, the window stays above its owner. Modal:
  // returns when the window is gone; the owner takes no input meanwhile.
  virtual void show_window(FormId form, bool modal, FormId owner) = 0;
  // The window closes and its instance is destroyed.
  virtual void unload_window(FormId form) = 0;
  // All windows close and the process exits at once; no further handler runs.
  [[noreturn]] virtual void end_process(int exit_code) = 0;
  // Queued user-interface events are handled before the call returns.
  virtual void do_events() = 0;
  // Runs work away from the windows' thread while they stay responsive (they
  // repaint, move and take input): meanwhile the button is disabled, reads
  // busy_text and cannot be pressed, and the cursor shows the program busy.
  // Returns when the work is done, with the button as it was. When the user
  // closes the program's windows meanwhile, the process ends (exit code 0)
  // and the call does not return: nothing after the work runs.
  virtual void run_busy(ControlId button, const std::string& busy_text, const std::function<void()>& work) = 0;
};

}  // namespace window
