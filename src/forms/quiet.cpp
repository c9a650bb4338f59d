#include "forms/quiet.h"

#include <exception>

#include "forms/texts.h"
#include "platform/ui.h"
#include "setup/RunSetup.h"
#include "system/error_text.h"

namespace forms {

namespace {

class ConsoleReport final : public setup::SetupReport {
 public:
  explicit ConsoleReport(const Print& print) : print_(print) {}
  void show_message(const std::string& text, int style) override {
    if (style != platform::mb::information) print_(text);  // nobody is there to close the program
  }
  void focus(setup::Field /*field*/) override {}
  // The completion window's heading says it all.
  void show_completion() override { print_(text::kCompletionHeading); }

 private:
  const Print& print_;
};

int exit_code_of(setup::SetupResult result) {
  switch (result) {
    case setup::SetupResult::completed: return quiet_exit::set_up;
    case setup::SetupResult::input_refused: return quiet_exit::input_refused;
    case setup::SetupResult::outlook_missing: return quiet_exit::outlook_missing;
    case setup::SetupResult::temp_folder_unusable:
    case setup::SetupResult::account_not_saved: return quiet_exit::not_saved;
  }
  return quiet_exit::other_error;
}

}  // namespace

int run_quiet(const StartOptions& options, const Print& print, platform::Registry& registry) {
  if (!options.error.empty()) {
    print(options.error + "\r\n\r\n" + usage_text());
    return quiet_exit::bad_command_line;
  }
  if (options.help) {
    print(usage_text());
    return quiet_exit::set_up;
  }
  ConsoleReport report(print);
  try {
    return exit_code_of(setup::RunSetup({*options.name, *options.email, *options.program}, report, registry));
  } catch (const setup::SetupStepError& error) {
    print(platform::escaped_error_text(error));
    return error.step() == setup::SetupStep::write_account ? quiet_exit::not_saved : quiet_exit::outlook_not_started;
  } catch (const std::exception& error) {
    print(platform::escaped_error_text(platform::as_runtime_error(error)));
    return quiet_exit::other_error;
  }
}

}  // namespace forms
