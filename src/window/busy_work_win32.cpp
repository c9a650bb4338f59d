#include "window/busy_work.h"

#include <exception>

#include "platform/runtime_error.h"
#include "system/unique_handle.h"

namespace window {

namespace {

struct BusyWork {
  const std::function<void()>* work;
  std::exception_ptr error;  // raised again on the windows' thread
};

DWORD WINAPI busy_work_thread(void* parameter) {
  auto* busy = static_cast<BusyWork*>(parameter);
  try {
    (*busy->work)();
  } catch (...) {
    busy->error = std::current_exception();
  }
  return 0;
}

// Makes the system ask the window under the mouse for its cursor again.
void refresh_cursor() {
  POINT at;
  if (GetCursorPos(&at)) SetCursorPos(at.x, at.y);
}

}  // namespace

BusyButton::BusyButton(HWND button, const std::wstring& busy_text, ControlId& busy, ControlId id)
    : button_(button), busy_(busy), had_focus_(GetFocus() == button) {
  const int length = GetWindowTextLengthW(button);
  label_.assign(static_cast<std::size_t>(length) + 1, L'\0');
  label_.resize(static_cast<std::size_t>(GetWindowTextW(button, label_.data(), length + 1)));
  busy_ = id;
  SetWindowTextW(button, busy_text.c_str());
  EnableWindow(button, FALSE);
  refresh_cursor();
}

BusyButton::~BusyButton() {
  busy_ = 0;
  EnableWindow(button_, TRUE);
  SetWindowTextW(button_, label_.c_str());
  if (had_focus_ && IsWindowVisible(button_) && GetActiveWindow() == GetAncestor(button_, GA_ROOT) &&
      (!GetFocus() || GetFocus() == button_)) {
    SetFocus(button_);
  }
  refresh_cursor();
}

void run_away_from_windows(const std::function<void()>& work, const std::function<void(MSG&)>& dispatch) {
  BusyWork busy{&work, nullptr};
  const sys::UniqueKernel owned(CreateThread(nullptr, 0, &busy_work_thread, &busy, 0, nullptr));
  HANDLE thread = owned.get();
  if (!thread) throw platform::RuntimeError(static_cast<long>(GetLastError()), "Telvora", "CreateThread");
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_FAILED) {
      // Never with a valid handle; the work's frame must outlive it all the same.
      WaitForSingleObject(thread, INFINITE);
      break;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) ExitProcess(static_cast<UINT>(msg.wParam));
      dispatch(msg);
    }
  }
  if (busy.error) std::rethrow_exception(busy.error);
}

}  // namespace window
