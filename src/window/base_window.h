// The shape of every window object: the object is tied to its window at
// WM_NCCREATE (its address in the window's user data, handed in through
// CreateWindowExW), and every later message goes to its handle_message
// member. Once the tie is cut no message reaches the object any more.
#pragma once

#include <windows.h>

namespace window {

template <class Derived>
class BaseWindow {
 public:
  HWND hwnd() const { return hwnd_; }

  // The window class whose messages go to Derived::handle_message; a second
  // registration finds the class registered, which is fine.
  static void register_class(const wchar_t* name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &BaseWindow::window_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
  }

 protected:
  BaseWindow() = default;
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;
  ~BaseWindow() = default;

  // Cuts the tie between the window and the object.
  void detach() {
    if (hwnd_ != nullptr) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
  }

 private:
  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Derived* self = nullptr;
    if (msg == WM_NCCREATE) {
      self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      static_cast<BaseWindow*>(self)->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Derived*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcW(hwnd, msg, wparam, lparam);
    return self->handle_message(msg, wparam, lparam);
  }

  HWND hwnd_ = nullptr;
};

}  // namespace window
