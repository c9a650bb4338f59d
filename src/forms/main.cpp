// Program entry of Telvora.exe: the main window is the start-up object, or,
// with /quiet, no window at all; the window layer reports its events to the
// forms' handlers.
#include "forms/command_line.h"
#include "forms/layout.h"
#include "forms/quiet.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/ui_win32.h"

namespace {

class FormsEvents final : public platform::UiEvents {
 public:
  explicit FormsEvents(const forms::StartOptions& options) : options_(options) {}
  const platform::FormLayout& layout(platform::FormId form) override { return forms::form_layout(form); }
  void on_load(platform::Ui& ui, platform::FormId form) override { forms::on_load(ui, form, options_); }
  void on_click(platform::Ui& ui, platform::ControlId control) override { forms::on_click(ui, control, options_); }
  void on_selection_change(platform::Ui& ui, platform::ControlId control) override {
    forms::on_selection_change(ui, control);
  }

 private:
  const forms::StartOptions& options_;
};

}  // namespace

// The C runtime calls this by name (link option -municode); the handle types
// are declared here so that only the platform layer includes the system
// headers.
struct HINSTANCE__;
extern "C" int __stdcall wWinMain(HINSTANCE__* /*instance*/, HINSTANCE__* /*previous*/, wchar_t* /*command_line*/,
                                  int /*show*/) {
  const forms::StartOptions options = forms::parse_command_line(platform::own_arguments());
  if (options.quiet) return forms::run_quiet(options, platform::write_to_parent_console);
  FormsEvents events(options);
  return platform::run_windows_program(events, forms::Form1);
}
