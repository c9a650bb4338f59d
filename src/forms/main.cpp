// Program entry of Telvora.exe: the main window is the start-up object, or,
// with /quiet, no window at all; the window layer reports its events to the
// forms' handlers.
#include <cstdlib>

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
  const forms::StartOptions options = forms::parse_command_line(platform::own_arguments());
  if (options.quiet) return forms::run_quiet(options, platform::write_to_parent_console);
  FormsEvents events(options);
  return platform::run_windows_program(events, forms::Form1);
}
