// Program entry of Telvora.exe: the main window is the start-up object, or,
// with /quiet, no window at all; the window layer reports its events to the
// forms' handlers.
#include <cstdlib>

#include "forms/command_line.h"
#include "forms/handlers.h"
#include "forms/layout.h"
#include "forms/quiet.h"
#include "system/command_line.h"
#include "system/console.h"
#include "window/ui_win32.h"

namespace {

class FormsEvents final : public window::UiEvents {
 public:
  explicit FormsEvents(const forms::StartOptions& options)
      : start_{options.name, options.email, options.program, options.help, options.error},
        check_(options.no_check ? setup::ServerCheck{} : setup::system_server_check()),
        require_tls_(options.require_tls) {}
  std::span<const window::FormLayout* const> layouts() override { return forms::form_layouts(); }
  void on_load(window::Ui& ui, window::FormId form) override { forms::on_load(ui, form, start_); }
  void on_click(window::Ui& ui, window::ControlId control) override {
    forms::on_click(ui, control, platform::default_registry(), check_, require_tls_);
  }
  void on_selection_change(window::Ui& ui, window::ControlId control) override {
    forms::on_selection_change(ui, control);
  }

 private:
  const forms::StartValues start_;
  const setup::ServerCheck check_;  // none with /nocheck
  const bool require_tls_;
};

}  // namespace

// What ends the program when an exception finds no handler (none should: the
// handlers report every error themselves). The C++ library's own version
// prints the exception's type to a standard error that a windows program does
// not have, and brings its whole name demangler along (about 45 KB); this one
// ends at once, as that one does after printing.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The C runtime calls this by name (link option -municode); the handle types
// are declared here so that only the platform layer includes the system
// headers.
struct HINSTANCE__;
extern "C" int __stdcall wWinMain(HINSTANCE__* /*instance*/, HINSTANCE__* /*previous*/, wchar_t* /*command_line*/,
                                  int /*show*/) {
  const forms::StartOptions options = forms::parse_command_line(sys::own_arguments());
  if (options.quiet) return forms::run_quiet(options, sys::write_to_parent_console);
  FormsEvents events(options);
  return window::run_windows_program(events, forms::Form1);
}
