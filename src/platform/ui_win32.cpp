#include "platform/ui_win32.h"

// windows.h comes first: the other system headers build on it.
#include <windows.h>

#include <commctrl.h>
#include <wincodec.h>

#include <algorithm>
#include <exception>
#include <map>
#include <vector>

#include "platform/codepage.h"
#include "platform/runtime_error.h"

namespace platform {

namespace {

constexpr wchar_t kFormClass[] = L"TelvoraForm";
constexpr int kTwipsPerInch = 1440;
constexpr int kPointsPerInch = 72;
constexpr int kFontPoints = 9;
constexpr BYTE kTurkishCharset = 162;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr long kInvalidPropertyValue = 380;  // the runtime's error for a bad list index
constexpr long kInvalidPicture = 481;
constexpr long kControlNotFound = 424;  // "Object required"

int twips_to_pixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }

// Releases a COM interface when it goes out of scope.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (p_) p_->Release();
  }
  T** put() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

[[noreturn]] void raise_picture_error() { throw RuntimeError(kInvalidPicture, "Telvora", "Invalid picture"); }

// Decodes a GIF or JPEG from the program's RCDATA resources into a 32-bit
// DIB section. Transparent pixels are laid on the white window background and
// every pixel is made opaque: version 6 of the static control draws a 32-bit
// bitmap through its alpha channel.
HBITMAP decode_picture(int resource) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(resource), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const DWORD size = found ? SizeofResource(nullptr, found) : 0;
  auto* data = loaded ? static_cast<BYTE*>(LockResource(loaded)) : nullptr;
  if (!data || size == 0) raise_picture_error();

  ComRef<IWICImagingFactory> factory;
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  ComRef<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put()))) ||
      FAILED(factory->CreateStream(stream.put())) || FAILED(stream->InitializeFromMemory(data, size)) ||
      FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad, decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 4096 || height > 4096)
    raise_picture_error();

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC delivers the rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) raise_picture_error();
  const UINT stride = width * 4;
  auto* pixels = static_cast<BYTE*>(bits);
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, pixels))) {
    DeleteObject(bitmap);
    raise_picture_error();
  }
  for (BYTE* p = pixels; p != pixels + std::size_t{stride} * height; p += 4) {
    const unsigned alpha = p[3];
    for (int k = 0; k < 3; ++k) p[k] = static_cast<BYTE>((p[k] * alpha + 255u * (255u - alpha)) / 255u);
    p[3] = 255;
  }
  return bitmap;
}

// The last resort for an error that nothing else reported, in the same form
// as the handlers' own report.
[[noreturn]] void report_and_exit(HWND owner, const std::exception& error) {
  MessageBoxW(owner, utf8_to_wide(escaped_error_text(as_runtime_error(error))).c_str(),
              utf8_to_wide(program_name).c_str(), MB_OK | MB_ICONERROR);
  ExitProcess(1);
}

bool takes_focus(ControlKind kind) {
  return kind == ControlKind::text_box || kind == ControlKind::multi_line_text_box ||
         kind == ControlKind::drop_down_list || kind == ControlKind::button;
}

}  // namespace

struct ControlState {
  const ControlLayout* layout = nullptr;
  HWND hwnd = nullptr;
};

struct FormState {
  Win32Ui::Impl* impl = nullptr;
  FormId id = 0;
  const FormLayout* layout = nullptr;
  HWND hwnd = nullptr;
  UINT dpi = USER_DEFAULT_SCREEN_DPI;
  HFONT font = nullptr;
  HFONT bold_font = nullptr;
  HICON icon_big = nullptr;
  HICON icon_small = nullptr;
  HBRUSH background = nullptr;
  std::vector<HBITMAP> bitmaps;
  std::map<ControlId, ControlState> controls;
  HWND saved_focus = nullptr;
  bool positioned = false;
  bool modal = false;
  std::vector<HWND> disabled_by_modal;  // windows to enable again when the modal form goes
};

struct Win32Ui::Impl {
  Win32Ui& ui;
  UiEvents& events;
  std::map<FormId, FormState> forms;
  ControlId busy_button = 0;  // the button of the work under way, 0 when none

  Impl(Win32Ui& owner, UiEvents& ev) : ui(owner), events(ev) {}

  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT handle(FormState& form, UINT msg, WPARAM wparam, LPARAM lparam);

  // An exception must not unwind through the system's window procedure
  // frames; the program's own handlers report their errors themselves, so
  // anything that still arrives here ends the process.
  template <class F>
  void guarded(F&& f) {
    try {
      f();
    } catch (const std::exception& e) {
      report_and_exit(active_owner(), e);
    }
  }

  FormState* loaded(FormId id) {
    auto it = forms.find(id);
    return it != forms.end() && it->second.hwnd ? &it->second : nullptr;
  }

  HWND active_owner() {
    HWND active = GetActiveWindow();
    for (auto& [id, form] : forms)
      if (form.hwnd && form.hwnd == active) return active;
    for (auto& [id, form] : forms)
      if (form.hwnd && IsWindowVisible(form.hwnd) && IsWindowEnabled(form.hwnd)) return form.hwnd;
    return nullptr;
  }

  ControlState& control(ControlId id);
  FormState& load(FormId id, HWND owner);
  void create_controls(FormState& form);
  void place(FormState& form);
  void make_fonts(FormState& form);
  void fit_list_height(const ControlState& c, int height);
  void first_show(FormState& form, HWND owner);
  bool restore_focus(FormState& form);
  void enable_after_modal(FormState& form);
  void dispatch(MSG& msg);
  bool pump_one(bool wait);
  void run_busy(ControlId button, const std::string& busy_text, const std::function<void()>& work);
  void wait_for_busy_work(HANDLE thread);
};

// ---------------------------------------------------------------- creation

// Makes the fonts for the window's DPI; the old ones are deleted only after
// the controls have been given the new ones.
void Win32Ui::Impl::make_fonts(FormState& form) {
  const HFONT old_font = form.font, old_bold = form.bold_font;
  for (HFONT* f : {&form.font, &form.bold_font}) {
    const int weight = f == &form.font ? FW_NORMAL : FW_BOLD;
    *f = CreateFontW(-MulDiv(kFontPoints, static_cast<int>(form.dpi), kPointsPerInch), 0, 0, 0, weight, FALSE, FALSE,
                     FALSE, kTurkishCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"Verdana");
  }
  if (form.hwnd) {
    for (auto& [id, c] : form.controls)
      SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(c.layout->bold ? form.bold_font : form.font), FALSE);
  }
  if (old_font) DeleteObject(old_font);
  if (old_bold) DeleteObject(old_bold);
}

FormState& Win32Ui::Impl::load(FormId id, HWND owner) {
  if (FormState* form = loaded(id)) return *form;
  FormState& form = forms[id];
  form = FormState{};
  form.impl = this;
  form.id = id;
  form.layout = &events.layout(id);
  const FormLayout& layout = *form.layout;

  // No WS_CLIPCHILDREN: the window paints the white inside of the frame, which
  // the group box leaves to its parent.
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  DWORD ex_style = WS_EX_CONTROLPARENT;
  if (layout.border == Border::fixed_tool_window) ex_style |= WS_EX_TOOLWINDOW;
  if (layout.show_in_taskbar) ex_style |= WS_EX_APPWINDOW;
  form.background = CreateSolidBrush(kWhite);

  HWND hwnd = CreateWindowExW(ex_style, kFormClass, utf8_to_wide(layout.caption).c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, 100, 100, owner, nullptr, GetModuleHandleW(nullptr), &form);
  if (!hwnd) {
    const auto error = static_cast<long>(GetLastError());
    // Unless the window got as far as its own clean-up, which erased it.
    if (auto it = forms.find(id); it != forms.end() && !it->second.hwnd) {
      DeleteObject(it->second.background);
      forms.erase(it);
    }
    throw RuntimeError(error, "Telvora", "CreateWindowExW");
  }
  // The monitor under the new window decides its DPI.
  form.dpi = GetDpiForWindow(hwnd);
  make_fonts(form);
  if (layout.icon) {
    form.icon_big = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(layout.icon), IMAGE_ICON,
                                                  GetSystemMetricsForDpi(SM_CXICON, form.dpi),
                                                  GetSystemMetricsForDpi(SM_CYICON, form.dpi), LR_DEFAULTCOLOR));
    form.icon_small = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(layout.icon),
                                                    IMAGE_ICON, GetSystemMetricsForDpi(SM_CXSMICON, form.dpi),
                                                    GetSystemMetricsForDpi(SM_CYSMICON, form.dpi), LR_DEFAULTCOLOR));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(form.icon_big));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(form.icon_small));
  }
  try {
    create_controls(form);
    place(form);
  } catch (...) {
    DestroyWindow(hwnd);  // a half-built window is not left behind
    throw;
  }
  // The focus starts on the lowest tab index that can take it.
  const ControlLayout* first = nullptr;
  for (const auto& c : layout.controls)
    if (takes_focus(c.kind) && c.visible && c.tab_index >= 0 && (!first || c.tab_index < first->tab_index)) first = &c;
  if (first) form.saved_focus = form.controls[first->id].hwnd;

  events.on_load(ui, id);
  return form;
}

void Win32Ui::Impl::create_controls(FormState& form) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // Created in the layout's order: that is the z-order, which screen readers
  // and the dialog manager's Tab key follow.
  for (const auto& c : form.layout->controls) {
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
    HWND hwnd = CreateWindowExW(ex_style, cls, utf8_to_wide(c.text).c_str(), style, 0, 0, 10, 10, form.hwnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
    if (!hwnd) throw RuntimeError(static_cast<long>(GetLastError()), "Telvora", "CreateWindowExW");
    form.controls[c.id] = ControlState{&c, hwnd};
    if (c.kind == ControlKind::picture && c.picture) {
      HBITMAP bitmap = decode_picture(c.picture);
      form.bitmaps.push_back(bitmap);
      SendMessageW(hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    }
  }
}

// A drop-down list's window height includes its list; the closed box takes
// the height of its selection field, which follows the item height set here.
// The height asked for is tracked rather than read back, because Wine's
// combo box reports a field height two pixels off the one it was given.
void Win32Ui::Impl::fit_list_height(const ControlState& c, int height) {
  auto requested = static_cast<int>(SendMessageW(c.hwnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 4; ++attempt) {
    RECT rc;
    GetWindowRect(c.hwnd, &rc);
    const int diff = height - (rc.bottom - rc.top);
    if (diff == 0 || requested + diff <= 0) return;
    requested += diff;
    SendMessageW(c.hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), requested);
  }
}

// Sizes and places the window and every control at the window's DPI.
void Win32Ui::Impl::place(FormState& form) {
  const FormLayout& layout = *form.layout;
  const UINT dpi = form.dpi;
  RECT rc{0, 0, twips_to_pixels(layout.client_width, dpi), twips_to_pixels(layout.client_height, dpi)};
  AdjustWindowRectExForDpi(&rc, static_cast<DWORD>(GetWindowLongPtrW(form.hwnd, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(form.hwnd, GWL_EXSTYLE)), dpi);
  SetWindowPos(form.hwnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  for (auto& [id, c] : form.controls) {
    const ControlLayout& l = *c.layout;
    int x = twips_to_pixels(l.left, dpi), y = twips_to_pixels(l.top, dpi);
    if (l.parent) {
      const ControlLayout& frame = *form.controls.at(l.parent).layout;
      x += twips_to_pixels(frame.left, dpi);
      y += twips_to_pixels(frame.top, dpi);
    }
    const int w = twips_to_pixels(l.width, dpi), h = twips_to_pixels(l.height, dpi);
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(l.bold ? form.bold_font : form.font), FALSE);
    if (l.kind == ControlKind::picture) {
      // Pictures are shown at their own size.
      SetWindowPos(c.hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (l.kind == ControlKind::drop_down_list) {
      SetWindowPos(c.hwnd, nullptr, x, y, w, h + MulDiv(h, 6, 1), SWP_NOZORDER | SWP_NOACTIVATE);
      fit_list_height(c, h);
    } else {
      SetWindowPos(c.hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  InvalidateRect(form.hwnd, nullptr, TRUE);
}

void Win32Ui::Impl::first_show(FormState& form, HWND owner) {
  if (form.positioned) return;
  form.positioned = true;
  RECT window;
  GetWindowRect(form.hwnd, &window);
  const int w = window.right - window.left, h = window.bottom - window.top;
  RECT around{};
  HMONITOR monitor = nullptr;
  if (form.layout->start_position == StartPosition::center_owner && owner) {
    GetWindowRect(owner, &around);
    monitor = MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
  } else {
    POINT origin{0, 0};
    monitor = MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY);
  }
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(monitor, &info);
  if (form.layout->start_position != StartPosition::center_owner || !owner) around = info.rcWork;
  int x = around.left + ((around.right - around.left) - w) / 2;
  int y = around.top + ((around.bottom - around.top) - h) / 2;
  // Keep the whole window on the owner's monitor.
  x = std::max<int>(info.rcWork.left, std::min<int>(x, info.rcWork.right - w));
  y = std::max<int>(info.rcWork.top, std::min<int>(y, info.rcWork.bottom - h));
  SetWindowPos(form.hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32Ui::Impl::restore_focus(FormState& form) {
  if (!form.saved_focus || !IsChild(form.hwnd, form.saved_focus) || !IsWindowVisible(form.saved_focus) ||
      !IsWindowEnabled(form.saved_focus))
    return false;
  SetFocus(form.saved_focus);
  return true;
}

void Win32Ui::Impl::enable_after_modal(FormState& form) {
  // Before the modal window goes, so that the activation returns to its owner.
  for (HWND h : form.disabled_by_modal)
    if (IsWindow(h)) EnableWindow(h, TRUE);
  form.disabled_by_modal.clear();
  form.modal = false;
}

ControlState& Win32Ui::Impl::control(ControlId id) {
  for (auto& [fid, form] : forms)
    if (form.hwnd) {
      auto it = form.controls.find(id);
      if (it != form.controls.end()) return it->second;
    }
  // A control of a form that is not loaded loads that form, hidden.
  for (FormId fid = 1; fid <= 16; ++fid) {
    const FormLayout* layout = nullptr;
    try {
      layout = &events.layout(fid);
    } catch (const std::exception&) {
      continue;
    }
    for (const auto& c : layout->controls)
      if (c.id == id) return load(fid, nullptr).controls.at(id);
  }
  throw RuntimeError(kControlNotFound, "Telvora", "Object required");
}

// ---------------------------------------------------------------- messages

void Win32Ui::Impl::dispatch(MSG& msg) {
  // Tab, Enter and Esc work as in a dialog for every window of the program.
  if (msg.hwnd) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    const bool ours = std::any_of(forms.begin(), forms.end(), [&](const auto& f) { return f.second.hwnd == root; });
    if (ours && IsDialogMessageW(root, &msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

// Handles one message; false when the queue holds WM_QUIT, which stays posted
// for the outermost loop.
bool Win32Ui::Impl::pump_one(bool wait) {
  MSG msg;
  if (wait) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
  } else {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
  }
  dispatch(msg);
  return true;
}

LRESULT CALLBACK Win32Ui::Impl::window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* form = reinterpret_cast<FormState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    form = static_cast<FormState*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  if (!form) return DefWindowProcW(hwnd, msg, wparam, lparam);
  return form->impl->handle(*form, msg, wparam, lparam);
}

LRESULT Win32Ui::Impl::handle(FormState& form, UINT msg, WPARAM wparam, LPARAM lparam) {
  HWND hwnd = form.hwnd;
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      auto it = form.controls.find(id);
      if (it != form.controls.end()) {
        const ControlKind kind = it->second.layout->kind;
        if (kind == ControlKind::button && code == BN_CLICKED) {
          // The button of the work under way starts no second run, however the click came.
          if (id != busy_button) guarded([&] { events.on_click(ui, id); });
        } else if (kind == ControlKind::drop_down_list && code == CBN_SELCHANGE) {
          guarded([&] { events.on_selection_change(ui, id); });
        }
        return 0;
      }
      if (id == IDCANCEL) {
        // Esc, from the dialog manager: the window's cancel button answers it.
        for (const auto& c : form.layout->controls)
          if (c.cancel_button && IsWindowEnabled(form.controls[c.id].hwnd)) {
            const ControlId cancel = c.id;
            guarded([&] { events.on_click(ui, cancel); });
            break;
          }
        return 0;
      }
      return 0;
    }
    case DM_GETDEFID: {
      // Enter presses the button that has the focus, else the default button.
      HWND focus = GetFocus();
      for (auto& [id, c] : form.controls)
        if (c.hwnd == focus && c.layout->kind == ControlKind::button) return MAKELRESULT(id, DC_HASDEFID);
      for (const auto& c : form.layout->controls)
        if (c.default_button) return MAKELRESULT(c.id, DC_HASDEFID);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      auto dc = reinterpret_cast<HDC>(wparam);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
      auto it = form.controls.find(id);
      SetBkColor(dc, kWhite);
      SetTextColor(dc, it != form.controls.end() ? it->second.layout->text_color : RGB(0, 0, 0));
      return reinterpret_cast<LRESULT>(form.background);
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) form.saved_focus = focus;
        return 0;
      }
      if (restore_focus(form)) return 0;
      break;
    case WM_SETFOCUS:
      if (restore_focus(form)) return 0;
      break;
    case WM_SETCURSOR:
      // Over the windows' inside (the disabled button included) while work
      // runs; the frame keeps its own cursors, as the window still moves.
      if (const auto hit = static_cast<short>(LOWORD(lparam)); busy_button && (hit == HTCLIENT || hit == HTERROR)) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514) /* IDC_WAIT */));
        return TRUE;
      }
      break;
    case WM_DPICHANGED: {
      form.dpi = HIWORD(wparam);
      make_fonts(form);
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      place(form);
      return 0;
    }
    case WM_CLOSE:
      // The close box unloads the window, as its "Kapat" would.
      if (form.modal) enable_after_modal(form);
      DestroyWindow(hwnd);
      return 0;
    case WM_NCDESTROY: {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (form.modal) enable_after_modal(form);
      for (HBITMAP b : form.bitmaps) DeleteObject(b);
      for (HGDIOBJ o : {static_cast<HGDIOBJ>(form.font), static_cast<HGDIOBJ>(form.bold_font),
                        static_cast<HGDIOBJ>(form.background)})
        if (o) DeleteObject(o);
      if (form.icon_big) DestroyIcon(form.icon_big);
      if (form.icon_small) DestroyIcon(form.icon_small);
      const FormId id = form.id;
      forms.erase(id);  // `form` is gone from here on
      // The process ends once no window of it is left.
      if (std::none_of(forms.begin(), forms.end(), [](const auto& f) { return f.second.hwnd != nullptr; }))
        PostQuitMessage(0);
      return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
    default: break;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

// ---------------------------------------------------------------- Win32Ui

Win32Ui::Win32Ui(UiEvents& events) : impl_(std::make_unique<Impl>(*this, events)) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &Impl::window_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);  // a second instance finds the class registered: fine
}

Win32Ui::~Win32Ui() {
  // Owned windows go with their owner, so detach every window first.
  std::vector<HWND> windows;
  for (auto& [id, form] : impl_->forms)
    if (form.hwnd) windows.push_back(form.hwnd);
  for (HWND h : windows) SetWindowLongPtrW(h, GWLP_USERDATA, 0);
  for (HWND h : windows)
    if (IsWindow(h)) DestroyWindow(h);
}

void Win32Ui::message_box(const std::string& text, int style, const std::string& caption) {
  MessageBoxW(impl_->active_owner(), utf8_to_wide(text).c_str(), utf8_to_wide(caption).c_str(),
              MB_OK | static_cast<UINT>(style));
}

std::string Win32Ui::text(ControlId control) {
  HWND hwnd = impl_->control(control).hwnd;
  std::wstring buffer(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  buffer.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, buffer.data(), static_cast<int>(buffer.size()))));
  return wide_to_utf8(buffer);
}

void Win32Ui::set_text(ControlId control, const std::string& text) {
  SetWindowTextW(impl_->control(control).hwnd, utf8_to_wide(text).c_str());
}

int Win32Ui::list_index(ControlId control) {
  const auto index = SendMessageW(impl_->control(control).hwnd, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Win32Ui::add_item(ControlId control, const std::string& text) {
  // Inserting at -1 appends whatever the list's sort style.
  SendMessageW(impl_->control(control).hwnd, CB_INSERTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(utf8_to_wide(text).c_str()));
}

void Win32Ui::set_list_index(ControlId control, int index) {
  HWND hwnd = impl_->control(control).hwnd;
  const auto count = SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
  if (index < -1 || index >= count) throw RuntimeError(kInvalidPropertyValue, "Telvora", "Invalid property value");
  SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // CB_SETCURSEL sends no CBN_SELCHANGE, yet the selection handler must run.
  impl_->events.on_selection_change(*this, control);
}

void Win32Ui::set_focus(ControlId control) {
  HWND hwnd = impl_->control(control).hwnd;
  HWND root = GetAncestor(hwnd, GA_ROOT);
  for (auto& [id, form] : impl_->forms)
    if (form.hwnd == root) form.saved_focus = hwnd;
  // A window not yet shown or not active takes the focus when it is activated.
  if (IsWindowVisible(root) && GetActiveWindow() == root) SetFocus(hwnd);
}

void Win32Ui::set_visible(ControlId control, bool visible) {
  ShowWindow(impl_->control(control).hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Ui::show_window(FormId form_id, bool modal, FormId owner_id) {
  FormState* owner = owner_id ? impl_->loaded(owner_id) : nullptr;
  HWND owner_hwnd = owner ? owner->hwnd : nullptr;
  FormState& form = impl_->load(form_id, owner_hwnd);
  if (owner_hwnd && GetWindow(form.hwnd, GW_OWNER) != owner_hwnd)
    SetWindowLongPtrW(form.hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_hwnd));
  impl_->first_show(form, owner_hwnd);
  const HWND hwnd = form.hwnd;

  if (!modal) {
    // A second show of an open window brings it to the front.
    ShowWindow(hwnd, IsWindowVisible(hwnd) ? SW_SHOW : SW_SHOWNORMAL);
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    return;
  }

  // Modal: every other window of the program takes no input until this one
  // is gone.
  form.modal = true;
  for (auto& [id, other] : impl_->forms)
    if (other.hwnd && other.hwnd != hwnd && IsWindowEnabled(other.hwnd)) {
      form.disabled_by_modal.push_back(other.hwnd);
      EnableWindow(other.hwnd, FALSE);
    }
  ShowWindow(hwnd, SW_SHOWNORMAL);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
  while (IsWindow(hwnd) && impl_->pump_one(true)) {
  }
  if (FormState* still = impl_->loaded(form_id); still && still->hwnd == hwnd) impl_->enable_after_modal(*still);
}

void Win32Ui::unload_window(FormId form_id) {
  FormState* form = impl_->loaded(form_id);
  if (!form) return;
  if (form->modal) impl_->enable_after_modal(*form);
  DestroyWindow(form->hwnd);
}

void Win32Ui::end_process(int exit_code) { ExitProcess(static_cast<UINT>(exit_code)); }

bool Win32Ui::ask(const std::string& text, int style, const std::string& caption) {
  return MessageBoxW(impl_->active_owner(), utf8_to_wide(text).c_str(), utf8_to_wide(caption).c_str(),
                     static_cast<UINT>(style)) == IDYES;
}

void Win32Ui::run_busy(ControlId button, const std::string& busy_text, const std::function<void()>& work) {
  impl_->run_busy(button, busy_text, work);
}

void Win32Ui::do_events() {
  while (impl_->pump_one(false)) {
  }
}

// ---------------------------------------------------------------- busy work

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

// The windows' messages are handled until the work's thread ends. The user
// closing the program's last window posts WM_QUIT: the process ends there,
// with the work still under way and nothing after it run.
void Win32Ui::Impl::wait_for_busy_work(HANDLE thread) {
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) return;
    if (woke == WAIT_FAILED) {
      // Never with a valid handle; the work's frame must outlive it all the same.
      WaitForSingleObject(thread, INFINITE);
      return;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) ExitProcess(static_cast<UINT>(msg.wParam));
      dispatch(msg);
    }
  }
}

void Win32Ui::Impl::run_busy(ControlId button, const std::string& busy_text, const std::function<void()>& work) {
  const HWND hwnd = control(button).hwnd;
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring label(static_cast<std::size_t>(length) + 1, L'\0');
  label.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, label.data(), length + 1)));
  const bool had_focus = GetFocus() == hwnd;

  BusyWork busy{&work, nullptr};
  busy_button = button;
  SetWindowTextW(hwnd, utf8_to_wide(busy_text).c_str());
  EnableWindow(hwnd, FALSE);
  refresh_cursor();
  HANDLE thread = CreateThread(nullptr, 0, &busy_work_thread, &busy, 0, nullptr);
  const DWORD start_error = thread ? 0 : GetLastError();
  if (thread) {
    wait_for_busy_work(thread);
    CloseHandle(thread);
  }

  busy_button = 0;
  EnableWindow(hwnd, TRUE);
  SetWindowTextW(hwnd, label.c_str());
  // The focus goes back to the button unless the user put it elsewhere meanwhile.
  if (had_focus && IsWindowVisible(hwnd) && GetActiveWindow() == GetAncestor(hwnd, GA_ROOT) &&
      (!GetFocus() || GetFocus() == hwnd))
    SetFocus(hwnd);
  refresh_cursor();
  if (!thread) throw RuntimeError(static_cast<long>(start_error), "Telvora", "CreateThread");
  if (busy.error) std::rethrow_exception(busy.error);
}

int run_windows_program(UiEvents& events, FormId first_form) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int exit_code = 0;
  {
    Win32Ui ui(events);
    try {
      ui.show_window(first_form, false, 0);
    } catch (const std::exception& e) {
      report_and_exit(nullptr, e);
    }
    exit_code = ui.run();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exit_code;
}

int Win32Ui::run() {
  MSG msg;
  int result;
  while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) impl_->dispatch(msg);
  return result < 0 ? 1 : static_cast<int>(msg.wParam);
}

}  // namespace platform
