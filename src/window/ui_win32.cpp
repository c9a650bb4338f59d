#include "window/ui_win32.h"

// windows.h comes first: the other system headers build on it.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/codepage.h"
#include "platform/runtime_error.h"
#include "system/error_text.h"
#include "window/busy_work.h"
#include "window/control_index.h"
#include "window/form_window.h"

namespace window {

namespace {

constexpr long kInvalidPropertyValue = 380;  // the runtime's error for a bad list index
constexpr long kControlNotFound = 424;       // "Object required"

// The last resort for an error that nothing else reported, in the same form
// as the handlers' own report.
[[noreturn]] void report_and_exit(HWND owner, const std::exception& error) {
  MessageBoxW(owner, platform::utf8_to_wide(sys::escaped_error_text(sys::as_runtime_error(error))).c_str(),
              platform::utf8_to_wide(platform::program_name).c_str(), MB_OK | MB_ICONERROR);
  ExitProcess(1);
}

}  // namespace

// The program's windows: one object per loaded form, found by form ID, and a
// control's form through the index of the layouts.
struct Win32Ui::Impl final : FormHost {
  Win32Ui& ui;
  UiEvents& events;
  const ControlIndex index;
  // The loaded windows, a handful at most.
  std::vector<std::unique_ptr<FormWindow>> forms;
  ControlId busy_button = 0;  // the button of the work under way, 0 when none

  Impl(Win32Ui& owner, UiEvents& ev) : ui(owner), events(ev), index(ev.layouts()) {}

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

  void clicked(ControlId control) override {
    // The button of the work under way starts no second run, however the click came.
    if (control != busy_button) guarded([&] { events.on_click(ui, control); });
  }
  bool busy() const override { return busy_button != 0; }
  void selection_changed(ControlId control) override {
    guarded([&] { events.on_selection_change(ui, control); });
  }
  void destroyed(FormId form) override {
    std::erase_if(forms, [form](const auto& f) { return f->layout().id == form; });
    // The process ends once no window of it is left.
    if (forms.empty()) PostQuitMessage(0);
  }

  FormWindow* loaded(FormId id) {
    for (const auto& form : forms) {
      if (form->layout().id == id) return form.get();
    }
    return nullptr;
  }

  HWND active_owner() {
    HWND active = GetActiveWindow();
    for (const auto& form : forms) {
      if (form->hwnd() == active) return active;
    }
    for (const auto& form : forms) {
      if (IsWindowVisible(form->hwnd()) && IsWindowEnabled(form->hwnd())) return form->hwnd();
    }
    return nullptr;
  }

  FormWindow& load(FormId id, HWND owner) {
    if (FormWindow* form = loaded(id)) return *form;
    const FormLayout* layout = index.form(id);
    if (layout == nullptr) throw std::out_of_range("no such window");
    FormWindow& form = *forms.emplace_back(std::make_unique<FormWindow>(*this, *layout));
    try {
      form.create(owner);
    } catch (...) {
      forms.pop_back();
      throw;
    }
    events.on_load(ui, id);
    return form;
  }

  // A control of a form that is not loaded loads that form, hidden.
  HWND control(ControlId id) {
    const ControlIndex::Place place = index.find(id);
    if (place.form == nullptr) throw platform::RuntimeError(kControlNotFound, "Telvora", "Object required");
    return load(place.form->id, nullptr).control(id);
  }

  void dispatch(MSG& msg) {
    // Tab, Enter and Esc work as in a dialog for every window of the program.
    if (msg.hwnd) {
      HWND root = GetAncestor(msg.hwnd, GA_ROOT);
      const bool ours = std::any_of(forms.begin(), forms.end(), [&](const auto& f) { return f->hwnd() == root; });
      if (ours && IsDialogMessageW(root, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }

  // Handles one message; false when the queue holds WM_QUIT, which stays
  // posted for the outermost loop.
  bool pump_one(bool wait) {
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
};

Win32Ui::Win32Ui(UiEvents& events) : impl_(std::make_unique<Impl>(*this, events)) {
  FormWindow::register_class(FormWindow::class_name);
}

Win32Ui::~Win32Ui() {
  // Owned windows go with their owner: every window is let go of first, then
  // destroyed; the objects free their handles when the services go.
  std::vector<HWND> windows;
  for (const auto& form : impl_->forms) windows.push_back(form->hwnd());
  for (HWND h : windows) SetWindowLongPtrW(h, GWLP_USERDATA, 0);
  for (HWND h : windows) {
    if (IsWindow(h)) DestroyWindow(h);
  }
}

void Win32Ui::message_box(const std::string& text, int style, const std::string& caption) {
  MessageBoxW(impl_->active_owner(), platform::utf8_to_wide(text).c_str(), platform::utf8_to_wide(caption).c_str(),
              MB_OK | static_cast<UINT>(style));
}

std::string Win32Ui::text(ControlId control) {
  HWND hwnd = impl_->control(control);
  std::wstring buffer(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  buffer.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, buffer.data(), static_cast<int>(buffer.size()))));
  return platform::wide_to_utf8(buffer);
}

void Win32Ui::set_text(ControlId control, const std::string& text) {
  SetWindowTextW(impl_->control(control), platform::utf8_to_wide(text).c_str());
}

int Win32Ui::list_index(ControlId control) {
  const auto index = SendMessageW(impl_->control(control), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Win32Ui::add_item(ControlId control, const std::string& text) {
  // Inserting at -1 appends whatever the list's sort style.
  SendMessageW(impl_->control(control), CB_INSERTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(platform::utf8_to_wide(text).c_str()));
}

void Win32Ui::set_list_index(ControlId control, int index) {
  HWND hwnd = impl_->control(control);
  const auto count = SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
  if (index < -1 || index >= count)
    throw platform::RuntimeError(kInvalidPropertyValue, "Telvora", "Invalid property value");
  SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // CB_SETCURSEL sends no CBN_SELCHANGE, yet the selection handler must run.
  impl_->events.on_selection_change(*this, control);
}

void Win32Ui::set_focus(ControlId control) {
  HWND hwnd = impl_->control(control);
  HWND root = GetAncestor(hwnd, GA_ROOT);
  for (const auto& form : impl_->forms) {
    if (form->hwnd() == root) form->set_saved_focus(hwnd);
  }
  // A window not yet shown or not active takes the focus when it is activated.
  if (IsWindowVisible(root) && GetActiveWindow() == root) SetFocus(hwnd);
}

void Win32Ui::set_visible(ControlId control, bool visible) {
  ShowWindow(impl_->control(control), visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Ui::show_window(FormId form_id, bool modal, FormId owner_id) {
  FormWindow* owner = owner_id ? impl_->loaded(owner_id) : nullptr;
  HWND owner_hwnd = owner ? owner->hwnd() : nullptr;
  FormWindow& form = impl_->load(form_id, owner_hwnd);
  const HWND hwnd = form.hwnd();
  if (owner_hwnd && GetWindow(hwnd, GW_OWNER) != owner_hwnd) {
    SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_hwnd));
  }
  form.place_on_first_show(owner_hwnd);

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
  std::vector<HWND> disabled;
  for (const auto& other : impl_->forms) {
    if (other->hwnd() != hwnd && IsWindowEnabled(other->hwnd())) {
      disabled.push_back(other->hwnd());
      EnableWindow(other->hwnd(), FALSE);
    }
  }
  form.begin_modal(std::move(disabled));
  ShowWindow(hwnd, SW_SHOWNORMAL);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
  while (IsWindow(hwnd) && impl_->pump_one(true)) {
  }
  if (FormWindow* still = impl_->loaded(form_id); still && still->hwnd() == hwnd) still->end_modal();
}

void Win32Ui::unload_window(FormId form_id) {
  FormWindow* form = impl_->loaded(form_id);
  if (!form) return;
  if (form->modal()) form->end_modal();
  DestroyWindow(form->hwnd());
}

void Win32Ui::end_process(int exit_code) { ExitProcess(static_cast<UINT>(exit_code)); }

bool Win32Ui::ask(const std::string& text, int style, const std::string& caption) {
  return MessageBoxW(impl_->active_owner(), platform::utf8_to_wide(text).c_str(),
                     platform::utf8_to_wide(caption).c_str(), static_cast<UINT>(style)) == IDYES;
}

void Win32Ui::run_busy(ControlId button, const std::string& busy_text, const std::function<void()>& work) {
  const BusyButton shown(impl_->control(button), platform::utf8_to_wide(busy_text), impl_->busy_button, button);
  run_away_from_windows(work, [this](MSG& msg) { impl_->dispatch(msg); });
}

void Win32Ui::do_events() {
  while (impl_->pump_one(false)) {
  }
}

int Win32Ui::run() {
  MSG msg;
  int result;
  while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) impl_->dispatch(msg);
  return result < 0 ? 1 : static_cast<int>(msg.wParam);
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

}  // namespace window
