// The handlers of the three windows with the registry they work on, for
// callers that choose it (tests); the window layer uses the overloads of
// layout.h, which work on the process's own registry.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/ui.h"
#include "setup/ServerCheck.h"
#include "setup/report.h"

namespace forms {

void on_click(platform::Ui& ui, platform::ControlId control, platform::Registry& registry,
              const setup::ServerCheck& check);

// What the setup button's label reads while the server is checked.
inline constexpr const char* kChecking = "Denetleniyor…";

// The setup's reports as the main window shows them: boxes captioned with
// the program's name, the focus into the box concerned, and the completion
// window, which ends the program.
class WindowReport final : public setup::SetupReport {
 public:
  explicit WindowReport(platform::Ui& ui) : ui_(ui) {}
  void show_message(const std::string& text, int style) override;
  void note(const std::string& /*text*/) override {}  // silent when all is well or nothing can be known
  bool ask(const std::string& finding, int style) override;
  void run_busy(const std::function<void()>& work) override;
  void focus(setup::Field field) override;
  void show_completion() override;  // ends the program

 private:
  platform::Ui& ui_;
};

// The main window's inputs as the setup takes them.
setup::SetupInput read_setup_input(platform::Ui& ui);

}  // namespace forms
