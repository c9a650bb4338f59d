// What crosses between the setup and whoever runs it (the windows, or the
// unattended command line): the input record going in, and the narrow
// interface through which the setup reports back.
#pragma once

#include <functional>
#include <string>

#include "account/account_data.h"
#include "platform/error.h"

namespace setup {

// The main window's three inputs as the user left them.
struct SetupInput {
  std::string name;   // name and surname, as typed
  std::string email;  // the address, as typed
  int program = 0;    // the program list's index: 0 Microsoft Outlook, anything else Outlook Express
  // /requiretls: an account that would be written without encryption on
  // either side is not written at all, and nothing is asked.
  bool require_tls = false;
};

enum class Field { name, email };

// How a run ended when it returned: completed, or stopped with nothing (more)
// written.
enum class SetupResult {
  completed,
  input_refused,
  declined_after_check,  // the server check found a fault and the answer was No
  outlook_missing,
  temp_folder_unusable,
  account_not_saved,
  encryption_required,  // /requiretls, and a side would have been written without encryption
};

// The steps whose errors an unattended run tells apart.
enum class SetupStep { write_account, start_outlook };

// An error of the file service or the process start, raised on with the step
// it came from; to everyone else it is the same numbered error.
class SetupStepError : public platform::RuntimeError {
 public:
  SetupStepError(SetupStep step, const platform::RuntimeError& error) : platform::RuntimeError(error), step_(step) {}
  SetupStep step() const noexcept { return step_; }

 private:
  SetupStep step_;
};

class SetupReport {
 public:
  SetupReport() = default;
  SetupReport(const SetupReport&) = delete;
  SetupReport& operator=(const SetupReport&) = delete;
  virtual ~SetupReport() = default;

  // A message for the user: style 16 (error) or 64 (information).
  virtual void show_message(const std::string& text, int style) = 0;
  // What the server check found when it needs no answer: the windows keep it
  // to themselves, an unattended run prints it.
  virtual void note(const std::string& text) = 0;
  // What the server check found, and whether the account is to be set up
  // anyway: true for Yes. The style is 52 (Yes the default) or 308 (No the
  // default); the windows add the question, an unattended run prints the
  // finding and takes the default answer.
  virtual bool ask(const std::string& finding, int style) = 0;
  // Runs the server check; the windows stay responsive meanwhile. A report
  // that waits for nobody just runs it.
  virtual void run_busy(const std::function<void()>& work) { work(); }
  // Puts the input focus into the box of a refused input.
  virtual void focus(Field field) = 0;
  // The account has been written with these settings: an unattended run
  // tells them, the windows show nothing of it.
  virtual void settings_written(const account::AccountData& /*account*/) {}
  // The account is set up. The windows show the completion window and end the
  // program there; a report that returns lets the run return "completed".
  virtual void show_completion() = 0;
};

}  // namespace setup
