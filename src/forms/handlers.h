// The handlers of the three windows: what the window layer reports goes here.
// An error that escapes a handler is shown (number and description) and ends
// the process.
#pragma once

#include <optional>
#include <string>

#include "platform/registry.h"
#include "setup/ServerCheck.h"
#include "setup/report.h"
#include "window/ui.h"

namespace forms {

// What the main window starts with: the values a help desk's shortcut fills
// in, and what is to be told before the window is used.
struct StartValues {
  std::optional<std::string> name;
  std::optional<std::string> email;
  std::optional<int> program;  // the program list's index
  bool help = false;           // the switches are listed and the program ends
  std::string error;           // a wrong command line: told, and the window opens empty
};

void on_load(window::Ui& ui, window::FormId form);
// The main window filled in and the focus on the setup button, the switches
// listed, or a wrong command line told before the window opens empty.
void on_load(window::Ui& ui, window::FormId form, const StartValues& start);
void on_selection_change(window::Ui& ui, window::ControlId control);
// On the registry and with the server check given: the process's own, or
// none with /nocheck; the tests' own. With require_tls (/requiretls) an
// account is set up only with both sides encrypted.
void on_click(window::Ui& ui, window::ControlId control, platform::Registry& registry, const setup::ServerCheck& check,
              bool require_tls = false);

// The setup's reports as the main window shows them: boxes captioned with
// the program's name, the focus into the box concerned, and the completion
// window, which ends the program.
class WindowReport final : public setup::SetupReport {
 public:
  explicit WindowReport(window::Ui& ui) : ui_(ui) {}
  void show_message(const std::string& text, int style) override;
  void note(const std::string& /*text*/) override {}  // silent when all is well or nothing can be known
  bool ask(const std::string& finding, int style) override;
  void run_busy(const std::function<void()>& work) override;
  void focus(setup::Field field) override;
  void show_completion() override;  // ends the program

 private:
  window::Ui& ui_;
};

// The main window's inputs as the setup takes them.
setup::SetupInput read_setup_input(window::Ui& ui);

}  // namespace forms
