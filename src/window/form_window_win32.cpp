// A window's making: the window, its controls, fonts, icons and pictures,
// sized and placed at the window's DPI.
#include "window/form_window.h"

// windows.h comes first (form_window.h): the other system headers build on it.
#include <commctrl.h>

#include <algorithm>

#include "platform/codepage.h"
#include "platform/error.h"
#include "window/picture.h"

namespace window {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kPointsPerInch = 72;
constexpr int kFontPoints = 9;
constexpr BYTE kTurkishCharset = 162;
constexpr COLORREF kWhite = RGB(255, 255, 255);

int twips_to_pixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }

bool takes_focus(ControlKind kind) {
  return kind == ControlKind::text_box || kind == ControlKind::multi_line_text_box ||
         kind == ControlKind::drop_down_list || kind == ControlKind::button;
}

[[noreturn]] void raise_last_error() {
  throw platform::RuntimeError(static_cast<long>(GetLastError()), "Telvora", "CreateWindowExW");
}

UniqueIcon load_icon(int resource, int width_metric, int height_metric, UINT dpi) {
  return UniqueIcon(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_ICON,
                                                  GetSystemMetricsForDpi(width_metric, dpi),
                                                  GetSystemMetricsForDpi(height_metric, dpi), LR_DEFAULTCOLOR)));
}

}  // namespace

// Out of line: the handles' owners are freed in one place of the program.
FormWindow::~FormWindow() = default;

void FormWindow::create(HWND owner) {
  // No WS_CLIPCHILDREN: the window paints the white inside of the frame, which
  // the group box leaves to its parent.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  DWORD ex_style = WS_EX_CONTROLPARENT;
  if (layout_.border == Border::fixed_tool_window) ex_style |= WS_EX_TOOLWINDOW;
  if (layout_.show_in_taskbar) ex_style |= WS_EX_APPWINDOW;
  background_.reset(CreateSolidBrush(kWhite));

  if (!CreateWindowExW(ex_style, class_name, platform::utf8_to_wide(layout_.caption).c_str(), style, CW_USEDEFAULT,
                       CW_USEDEFAULT, 100, 100, owner, nullptr, GetModuleHandleW(nullptr), this)) {
    raise_last_error();
  }
  // The monitor under the new window decides its DPI.
  dpi_ = GetDpiForWindow(hwnd());
  make_fonts();
  if (layout_.icon) {
    icon_big_ = load_icon(layout_.icon, SM_CXICON, SM_CYICON, dpi_);
    icon_small_ = load_icon(layout_.icon, SM_CXSMICON, SM_CYSMICON, dpi_);
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_.get()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_.get()));
  }
  try {
    create_controls();
    place();
  } catch (...) {
    DestroyWindow(hwnd());  // a half-built window is not left behind
    throw;
  }
  created_ = true;
  // The focus starts on the lowest tab index that can take it.
  const ControlLayout* first = nullptr;
  for (const auto& c : layout_.controls) {
    if (takes_focus(c.kind) && c.visible && c.tab_index >= 0 && (!first || c.tab_index < first->tab_index)) first = &c;
  }
  if (first) saved_focus_ = controls_.at(first->id).hwnd;
}

void FormWindow::create_controls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // Created in the layout's order: that is the z-order, which screen readers
  // and the dialog manager's Tab key follow.
  for (const auto& c : layout_.controls) {
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | (c.visible ? WS_VISIBLE : 0);
    DWORD ex_style = 0;
    switch (c.kind) {
      case ControlKind::label: style |= SS_LEFT | SS_NOPREFIX; break;
      case ControlKind::text_box:
        cls = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        ex_style |= WS_EX_CLIENTEDGE;
        break;
      case ControlKind::multi_line_text_box:
        cls = L"EDIT";
        style |= WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL;
        ex_style |= WS_EX_CLIENTEDGE;
        break;
      case ControlKind::drop_down_list:
        cls = L"COMBOBOX";
        style |= WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;
        break;
      case ControlKind::button:
        cls = L"BUTTON";
        style |= WS_TABSTOP | (c.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case ControlKind::frame:
        cls = L"BUTTON";
        style |= BS_GROUPBOX;
        break;
      case ControlKind::picture: style |= SS_BITMAP; break;
    }
    HWND control = CreateWindowExW(ex_style, cls, platform::utf8_to_wide(c.text).c_str(), style, 0, 0, 10, 10, hwnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
    if (!control) raise_last_error();
    Control& made = controls_[c.id] = Control{&c, control, {}};
    if (c.kind == ControlKind::picture && c.picture) {
      made.picture = decode_picture(c.picture);
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(made.picture.get()));
    }
  }
}

// Makes the fonts for the window's DPI; the old ones go only after the
// controls have been given the new ones.
void FormWindow::make_fonts() {
  UniqueFont old_font = std::move(font_);
  UniqueFont old_bold = std::move(bold_font_);
  for (UniqueFont* font : {&font_, &bold_font_}) {
    const int weight = font == &font_ ? FW_NORMAL : FW_BOLD;
    font->reset(CreateFontW(-MulDiv(kFontPoints, static_cast<int>(dpi_), kPointsPerInch), 0, 0, 0, weight, FALSE, FALSE,
                            FALSE, kTurkishCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, L"Verdana"));
  }
  for (auto& [id, c] : controls_) {
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(c.layout->bold ? bold_font_.get() : font_.get()), FALSE);
  }
}

// A drop-down list's window height includes its list; the closed box takes
// the height of its selection field, which follows the item height set here.
// The height asked for is tracked rather than read back, because Wine's
// combo box reports a field height two pixels off the one it was given.
void FormWindow::fit_list_height(HWND list, int height) {
  auto requested = static_cast<int>(SendMessageW(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 4; ++attempt) {
    RECT rc;
    GetWindowRect(list, &rc);
    const int diff = height - (rc.bottom - rc.top);
    if (diff == 0 || requested + diff <= 0) return;
    requested += diff;
    SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), requested);
  }
}

// Sizes and places the window and every control at the window's DPI.
void FormWindow::place() {
  RECT rc{0, 0, twips_to_pixels(layout_.client_width, dpi_), twips_to_pixels(layout_.client_height, dpi_)};
  AdjustWindowRectExForDpi(&rc, static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE)), dpi_);
  SetWindowPos(hwnd(), nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  for (auto& [id, c] : controls_) {
    const ControlLayout& l = *c.layout;
    int x = twips_to_pixels(l.left, dpi_), y = twips_to_pixels(l.top, dpi_);
    if (l.parent) {
      const ControlLayout& frame = *controls_.at(l.parent).layout;
      x += twips_to_pixels(frame.left, dpi_);
      y += twips_to_pixels(frame.top, dpi_);
    }
    const int w = twips_to_pixels(l.width, dpi_), h = twips_to_pixels(l.height, dpi_);
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(l.bold ? bold_font_.get() : font_.get()), FALSE);
    if (l.kind == ControlKind::picture) {
      // Pictures are shown at their own size.
      SetWindowPos(c.hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (l.kind == ControlKind::drop_down_list) {
      SetWindowPos(c.hwnd, nullptr, x, y, w, h + MulDiv(h, 6, 1), SWP_NOZORDER | SWP_NOACTIVATE);
      fit_list_height(c.hwnd, h);
    } else {
      SetWindowPos(c.hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void FormWindow::place_on_first_show(HWND owner) {
  if (positioned_) return;
  positioned_ = true;
  RECT window;
  GetWindowRect(hwnd(), &window);
  const int w = window.right - window.left, h = window.bottom - window.top;
  const bool on_owner = layout_.start_position == StartPosition::center_owner && owner;
  RECT around{};
  HMONITOR monitor = nullptr;
  if (on_owner) {
    GetWindowRect(owner, &around);
    monitor = MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
  } else {
    monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  }
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(monitor, &info);
  if (!on_owner) around = info.rcWork;
  int x = around.left + ((around.right - around.left) - w) / 2;
  int y = around.top + ((around.bottom - around.top) - h) / 2;
  // Keep the whole window on the owner's monitor.
  x = std::max<int>(info.rcWork.left, std::min<int>(x, info.rcWork.right - w));
  y = std::max<int>(info.rcWork.top, std::min<int>(y, info.rcWork.bottom - h));
  SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND FormWindow::control(ControlId id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second.hwnd;
}

}  // namespace window
