#include "forms/handlers.h"

#include <exception>
#include <new>
#include <optional>

#include "forms/controls.h"
#include "forms/layout.h"
#include "setup/RunSetup.h"
#include "setup/messages.h"

namespace forms {

namespace {

// No handler catches the errors of its own work: an error that escapes one
// is shown with its number and description, and the program ends. Nothing
// may unwind into the window layer, which runs inside system callbacks, so
// the library's own failures are reported as the runtime's errors too.
template <typename Work>
void reporting_escaped_errors(platform::Ui& ui, Work&& work) {
  std::optional<platform::RuntimeError> escaped;
  try {
    work();
    return;
  } catch (const platform::RuntimeError& error) {
    escaped = error;
  } catch (const std::bad_alloc&) {
    escaped.emplace(7, "Telvora", "Out of memory");
  } catch (const std::exception&) {
    escaped.emplace(51, "Telvora", "Internal error");
  }
  setup::show_error(ui, escaped_error_text(*escaped));
  ui.end_process(1);
}

}  // namespace

std::string escaped_error_text(const platform::RuntimeError& error) {
  return "Çalışma zamanı hatası '" + std::to_string(error.number()) + "':\r\n\r\n" + error.description();
}

void on_load(platform::Ui& ui, platform::FormId form) {
  if (form != Form1) return;
  reporting_escaped_errors(ui, [&] {
    ui.add_item(form1::CmbApp, "Microsoft Outlook");
    ui.add_item(form1::CmbApp, "Outlook Express");
    ui.set_list_index(form1::CmbApp, 0);  // runs on_selection_change
  });
}

void on_selection_change(platform::Ui& ui, platform::ControlId control) {
  if (control != form1::CmbApp) return;
  reporting_escaped_errors(ui, [&] {
    // Image2 is set before Image3 in both directions.
    const bool outlook = ui.list_index(form1::CmbApp) == 0;
    ui.set_visible(form1::Image2, outlook);
    ui.set_visible(form1::Image3, !outlook);
  });
}

void on_click(platform::Ui& ui, platform::ControlId control, platform::Registry& registry) {
  reporting_escaped_errors(ui, [&] {
    switch (control) {
      case form1::Command1: setup::RunSetup(ui, registry); break;
      case form1::Command2:
        // Modeless and owned; showing it while open brings the same window up.
        ui.show_window(Form2, false, Form1);
        break;
      case form2::Command1: ui.unload_window(Form2); break;
      case form3::Command1: ui.end_process(0);
      default: break;
    }
  });
}

void on_click(platform::Ui& ui, platform::ControlId control) { on_click(ui, control, platform::default_registry()); }

}  // namespace forms
