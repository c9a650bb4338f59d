// One window of the program: a top-level window of child controls built from
// its FormLayout, with the W functions so that the Turkish texts show on any
// system code page. The object owns its fonts, brush, icons and bitmaps, and
// handles the window's messages; what the user does goes to its host.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "window/base_window.h"
#include "window/handles.h"
#include "window/ui_layout.h"

namespace window {

// What a window reports to the services that own it.
class FormHost {
 public:
  virtual void clicked(ControlId control) = 0;
  virtual void selection_changed(ControlId control) = 0;
  // The window is gone; the host deletes the object within this call.
  virtual void destroyed(FormId form) = 0;
  // Work is under way (Ui::run_busy): the windows show the busy cursor.
  virtual bool busy() const = 0;

 protected:
  ~FormHost() = default;
};

class FormWindow : public BaseWindow<FormWindow> {
 public:
  static constexpr const wchar_t* class_name = L"TelvoraForm";

  FormWindow(FormHost& host, const FormLayout& layout) : host_(host), layout_(layout) {}
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;
  ~FormWindow();

  // Makes the window, hidden, with its controls sized for the monitor it is
  // on; raises RuntimeError when the system refuses. Nothing is left behind
  // by a failure, and the host hears of no destruction then.
  void create(HWND owner);

  const FormLayout& layout() const { return layout_; }
  // The control's window; nullptr when this window has no such control.
  HWND control(ControlId id) const;
  // The control that takes the focus when the window is next activated.
  void set_saved_focus(HWND control) { saved_focus_ = control; }
  // Places the window the first time it is shown: on the screen's or the
  // owner's centre, whole on the monitor.
  void place_on_first_show(HWND owner);
  // Modal: the windows it disabled are enabled again when it goes.
  void begin_modal(std::vector<HWND> disabled);
  bool modal() const { return modal_; }
  void end_modal();

  LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam);

 private:
  struct Control {
    const ControlLayout* layout;
    HWND hwnd;
    UniqueBitmap picture;  // what a picture control shows
  };

  void create_controls();
  void make_fonts();
  void place();
  void fit_list_height(HWND list, int height);
  bool restore_focus();
  LRESULT on_command(WPARAM wparam);
  LRESULT on_default_button();

  FormHost& host_;
  const FormLayout& layout_;
  bool created_ = false;  // the host hears of the window's destruction only from then on
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  UniqueFont font_;
  UniqueFont bold_font_;
  UniqueIcon icon_big_;
  UniqueIcon icon_small_;
  UniqueBrush background_;
  std::map<ControlId, Control> controls_;
  HWND saved_focus_ = nullptr;
  bool positioned_ = false;
  bool modal_ = false;
  std::vector<HWND> disabled_by_modal_;
};

}  // namespace window
