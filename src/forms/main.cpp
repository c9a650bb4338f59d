// Program entry of Telvora.exe: the main window is the start-up object, or,
// with /quiet, no window at all; the window layer reports its events to the
// forms' handlers.
#include "forms/command_line.h"
#include "forms/handlers.h"
#include "forms/layout.h"
#include "forms/quiet.h"
#include "system/command_line.h"
#include "system/console.h"
#include "window/ui_win32.h"

namespace {

class FormsEvents final : public platform::UiEvents {
 public:
  explicit FormsEvents(const forms::StartOptions& options)
      : start_{options.name, options.email, options.program, options.help, options.error} {}
  std::span<const platform::FormLayout* const> layouts() override { return forms::form_layouts(); }
  void on_load(platform::Ui& ui, platform::FormId form) override { forms::on_load(ui, form, start_); }
  void on_click(platform::Ui& ui, platform::ControlId control) override { forms::on_click(ui, control); }
  void on_selection_change(platform::Ui& ui, platform::ControlId control) override {
    forms::on_selection_change(ui, control);
  }

 private:
  const forms::StartValues start_;
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
