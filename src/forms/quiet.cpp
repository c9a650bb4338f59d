#include "forms/quiet.h"

#include <exception>

#include "forms/texts.h"
#include "setup/RunSetup.h"
#include "setup/messages.h"
#include "system/error_text.h"
#include "window/ui.h"

namespace forms {

namespace {

constexpr int kSecondButtonDefault = 0x100;  // MB_DEFBUTTON2: No is the default answer

class ConsoleReport final : public setup::SetupReport {
 public:
  explicit ConsoleReport(const Print& print) : print_(print) {}
  void show_message(const std::string& text, int style) override {
    if (style != window::mb::information) print_(text);  // nobody is there to close the program
  }
  void note(const std::string& text) override { print_(text); }
  bool ask(const std::string& finding, int style) override {
    print_(finding);  // without the question: nobody is there to answer it
    return (style & kSecondButtonDefault) == 0;
  }
  void focus(setup::Field /*field*/) override {}
  void settings_written(const account::AccountData& account) override {
    print_(setup::text::incoming_settings(account));
    print_(setup::text::outgoing_settings(account));
  }
  // The completion window's heading says it all.
  void show_completion() override { print_(text::kCompletionHeading); }

 private:
  const Print& print_;
};

int exit_code_of(setup::SetupResult result) {
  switch (result) {
    case setup::SetupResult::completed: return quiet_exit::set_up;
    case setup::SetupResult::input_refused: return quiet_exit::input_refused;
    case setup::SetupResult::declined_after_check: return quiet_exit::no_such_server;
    case setup::SetupResult::outlook_missing: return quiet_exit::outlook_missing;
    case setup::SetupResult::temp_folder_unusable:
    case setup::SetupResult::account_not_saved: return quiet_exit::not_saved;
    case setup::SetupResult::encryption_required: return quiet_exit::not_encrypted;
  }
  return quiet_exit::other_error;
}

}  // namespace

int run_quiet(const StartOptions& options, const Print& print, platform::Registry& registry,
              const setup::ServerCheck& check) {
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
    return exit_code_of(setup::RunSetup({*options.name, *options.email, *options.program, options.require_tls}, report,
                                        options.no_check ? setup::ServerCheck{} : check, registry));
  } catch (const setup::SetupStepError& error) {
    print(sys::escaped_error_text(error));
    return error.step() == setup::SetupStep::write_account ? quiet_exit::not_saved : quiet_exit::outlook_not_started;
  } catch (const std::exception& error) {
    print(sys::escaped_error_text(sys::as_runtime_error(error)));
    return quiet_exit::other_error;
  }
}

int run_quiet(const StartOptions& options, const Print& print) {
  return run_quiet(options, print, platform::default_registry(), setup::system_server_check());
}

}  // namespace forms
