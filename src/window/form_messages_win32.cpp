// A window's messages: clicks and selections for the host, the dialog
// manager's default and cancel buttons, colours, focus, DPI changes and the
// window's end.
#include <utility>

#include "window/form_window.h"

namespace window {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

void FormWindow::begin_modal(std::vector<HWND> disabled) {
  modal_ = true;
  disabled_by_modal_ = std::move(disabled);
}

void FormWindow::end_modal() {
  // Before the modal window goes, so that the activation returns to its owner.
  for (HWND h : disabled_by_modal_) {
    if (IsWindow(h)) EnableWindow(h, TRUE);
  }
  disabled_by_modal_.clear();
  modal_ = false;
}

bool FormWindow::restore_focus() {
  if (!saved_focus_ || !IsChild(hwnd(), saved_focus_) || !IsWindowVisible(saved_focus_) ||
      !IsWindowEnabled(saved_focus_)) {
    return false;
  }
  SetFocus(saved_focus_);
  return true;
}

LRESULT FormWindow::on_command(WPARAM wparam) {
  const int id = LOWORD(wparam);
  const int code = HIWORD(wparam);
  if (const auto found = controls_.find(id); found != controls_.end()) {
    const ControlKind kind = found->second.layout->kind;
    if (kind == ControlKind::button && code == BN_CLICKED) {
      host_.clicked(id);
    } else if (kind == ControlKind::drop_down_list && code == CBN_SELCHANGE) {
      host_.selection_changed(id);
    }
    return 0;
  }
  if (id == IDCANCEL) {
    // Esc, from the dialog manager: the window's cancel button answers it.
    for (const auto& c : layout_.controls) {
      if (c.cancel_button && IsWindowEnabled(controls_.at(c.id).hwnd)) {
        host_.clicked(c.id);
        break;
      }
    }
  }
  return 0;
}

// Enter presses the button that has the focus, else the default button.
LRESULT FormWindow::on_default_button() {
  HWND focus = GetFocus();
  for (const auto& [id, c] : controls_) {
    if (c.hwnd == focus && c.layout->kind == ControlKind::button) return MAKELRESULT(id, DC_HASDEFID);
  }
  for (const auto& c : layout_.controls) {
    if (c.default_button) return MAKELRESULT(c.id, DC_HASDEFID);
  }
  return 0;
}

LRESULT FormWindow::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_COMMAND: return on_command(wparam);
    case DM_GETDEFID: return on_default_button();
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      auto dc = reinterpret_cast<HDC>(wparam);
      const auto found = controls_.find(GetDlgCtrlID(reinterpret_cast<HWND>(lparam)));
      SetBkColor(dc, kWhite);
      SetTextColor(dc, found != controls_.end() ? found->second.layout->text_color : RGB(0, 0, 0));
      return reinterpret_cast<LRESULT>(background_.get());
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd(), focus)) saved_focus_ = focus;
        return 0;
      }
      if (restore_focus()) return 0;
      break;
    case WM_SETCURSOR:
      // Over the window's inside (the disabled button included) while work
      // runs; the frame keeps its own cursors, as the window still moves.
      if (const auto hit = static_cast<short>(LOWORD(lparam)); host_.busy() && (hit == HTCLIENT || hit == HTERROR)) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514) /* IDC_WAIT */));
        return TRUE;
      }
      break;
    case WM_SETFOCUS:
      if (restore_focus()) return 0;
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wparam);
      make_fonts();
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      place();
      return 0;
    }
    case WM_CLOSE:
      // The close box unloads the window, as its "Kapat" would.
      if (modal_) end_modal();
      DestroyWindow(hwnd());
      return 0;
    case WM_NCDESTROY: {
      HWND window = hwnd();
      detach();
      if (modal_) end_modal();
      // The host deletes this object: nothing of it is touched afterwards.
      if (created_) host_.destroyed(layout_.id);
      return DefWindowProcW(window, msg, wparam, lparam);
    }
    default: break;
  }
  return DefWindowProcW(hwnd(), msg, wparam, lparam);
}

}  // namespace window
