// The user-interface services on real Win32 windows: each FormLayout becomes a
// top-level window of child controls, created with the W functions so that the
// Turkish texts show on any system code page. One instance per form; a form
// is created on first use and destroyed when it is unloaded or closed.
#pragma once

#include <memory>

#include "window/ui.h"
#include "window/ui_layout.h"

namespace window {

class Win32Ui : public Ui {
 public:
  // COM must be initialised on the calling thread (the pictures are decoded
  // with the platform's image decoder).
  explicit Win32Ui(UiEvents& events);
  ~Win32Ui() override;

  void message_box(const std::string& text, int style, const std::string& caption) override;
  bool ask(const std::string& text, int style, const std::string& caption) override;
  std::string text(ControlId control) override;
  void set_text(ControlId control, const std::string& text) override;
  int list_index(ControlId control) override;
  void add_item(ControlId control, const std::string& text) override;
  void set_list_index(ControlId control, int index) override;
  void set_focus(ControlId control) override;
  void set_visible(ControlId control, bool visible) override;
  void show_window(FormId form, bool modal, FormId owner) override;
  void unload_window(FormId form) override;
  [[noreturn]] void end_process(int exit_code) override;
  void do_events() override;
  void run_busy(ControlId button, const std::string& busy_text, const std::function<void()>& work) override;

  // Runs the message loop until no window of the program is left; returns
  // the exit code for the process.
  int run();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// The program's whole life on the user-interface thread: initialises the
// common controls (version 6) and COM, loads and shows the first form, and runs
// the message loop until no window is left; returns the exit code.
int run_windows_program(UiEvents& events, FormId first_form);

}  // namespace window
