#include "forms/handlers.h"

#include <exception>

#include "forms/command_line.h"
#include "forms/controls.h"
#include "forms/layout.h"
#include "forms/texts.h"
#include "setup/RunSetup.h"
#include "setup/messages.h"
#include "system/error_text.h"

namespace forms {

namespace {

// No handler catches the errors of its own work: an error that escapes one
// is shown with its number and description, and the program ends. Nothing
// may unwind into the window layer, which runs inside system callbacks, so
// the library's own failures are reported as the runtime's errors too.
template <typename Work>
void reporting_escaped_errors(window::Ui& ui, Work&& work) {
  try {
    work();
    return;
  } catch (const std::exception& error) {
    ui.message_box(sys::escaped_error_text(sys::as_runtime_error(error)), window::mb::error, platform::program_name);
  }
  ui.end_process(1);
}

}  // namespace

void WindowReport::show_message(const std::string& text, int style) {
  ui_.message_box(text, style, platform::program_name);
}

bool WindowReport::ask(const std::string& finding, int style) {
  return ui_.ask(finding + "\r\n\r\n" + setup::text::kSetUpAnyway, style, platform::program_name);
}

void WindowReport::run_busy(const std::function<void()>& work) { ui_.run_busy(form1::Command1, text::kChecking, work); }

void WindowReport::focus(setup::Field field) {
  ui_.set_focus(field == setup::Field::name ? form1::txtadsoyad : form1::txteposta);
}

void WindowReport::show_completion() {
  ui_.show_window(Form3, true, Form1);
  // The completion window's own button ends the program; reaching here means
  // it was closed from its frame, which ends the program too.
  ui_.end_process(0);
}

setup::SetupInput read_setup_input(window::Ui& ui) {
  return {
      .name = ui.text(form1::txtadsoyad), .email = ui.text(form1::txteposta), .program = ui.list_index(form1::CmbApp)};
}

void on_load(window::Ui& ui, window::FormId form) { on_load(ui, form, StartValues{}); }

void on_load(window::Ui& ui, window::FormId form, const StartValues& start) {
  if (form != Form1) return;
  reporting_escaped_errors(ui, [&] {
    ui.add_item(form1::CmbApp, text::kOutlook);
    ui.add_item(form1::CmbApp, text::kExpress);
    ui.set_list_index(form1::CmbApp, 0);  // runs on_selection_change

    if (!start.error.empty()) {
      // A wrong command line is told, and the window opens empty.
      ui.message_box(start.error + "\r\n\r\n" + usage_text(), window::mb::error, platform::program_name);
      return;
    }
    if (start.help) {
      ui.message_box(usage_text(), window::mb::information, platform::program_name);
      ui.end_process(0);
    }
    if (start.name) ui.set_text(form1::txtadsoyad, *start.name);
    if (start.email) ui.set_text(form1::txteposta, *start.email);
    if (start.program) ui.set_list_index(form1::CmbApp, *start.program);
    // What the command line filled needs only a look and the button; a box it
    // left empty still waits for typing.
    if (!start.name && !start.email && !start.program) return;
    if (!start.name) {
      ui.set_focus(form1::txtadsoyad);
    } else if (!start.email) {
      ui.set_focus(form1::txteposta);
    } else {
      ui.set_focus(form1::Command1);
    }
  });
}

void on_selection_change(window::Ui& ui, window::ControlId control) {
  if (control != form1::CmbApp) return;
  reporting_escaped_errors(ui, [&] {
    // Image2 is set before Image3 in both directions.
    const bool outlook = ui.list_index(form1::CmbApp) == 0;
    ui.set_visible(form1::Image2, outlook);
    ui.set_visible(form1::Image3, !outlook);
  });
}

void on_click(window::Ui& ui, window::ControlId control, platform::Registry& registry, const setup::ServerCheck& check,
              bool require_tls) {
  reporting_escaped_errors(ui, [&] {
    switch (control) {
      case form1::Command1: {
        WindowReport report(ui);
        setup::SetupInput input = read_setup_input(ui);
        input.require_tls = require_tls;
        setup::RunSetup(input, report, check, registry);
        break;
      }
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

}  // namespace forms
