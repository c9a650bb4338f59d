// Work that runs away from the windows' thread while the windows stay
// responsive: they repaint, move and take input, and the button that started
// the work shows that it is under way.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "window/ui.h"

namespace window {

// While the object lives, the button is disabled, reads the busy text and
// `busy` names it; then the button is as it was, with the focus back on it
// when it had it and the user put it nowhere else meanwhile.
class BusyButton {
 public:
  BusyButton(HWND button, const std::wstring& busy_text, ControlId& busy, ControlId id);
  ~BusyButton();
  BusyButton(const BusyButton&) = delete;
  BusyButton& operator=(const BusyButton&) = delete;

 private:
  HWND button_;
  ControlId& busy_;
  std::wstring label_;
  bool had_focus_;
};

// Runs the work on a thread of its own while this thread hands every message
// to dispatch; returns when the work is done, raising again what it raised.
// WM_QUIT (the user closed the program's last window) ends the process at
// once, with the work still under way and nothing after it run.
void run_away_from_windows(const std::function<void()>& work, const std::function<void(MSG&)>& dispatch);

}  // namespace window
