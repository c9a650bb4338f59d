#include "setup/ServerCheck.h"

#include "setup/messages.h"
#include "window/ui.h"

namespace setup {

namespace {

bool answered_yes(SetupReport& report, const std::string& finding, int style) {
  if (report.ask(finding, style)) return true;
  report.focus(Field::email);
  return false;
}

}  // namespace

ServerCheck system_server_check() {
  return [](const std::string& email) { return mailcheck::check_mail_server(email); };
}

bool ServerCheckAllows(const std::string& email, const ServerCheck& check, SetupReport& report) {
  if (!check) return true;
  mailcheck::CheckReport found;
  report.run_busy([&] { found = check(email); });
  // The domain as typed, as the texts name it; the input checks made sure of the "@".
  const std::string domain = email.substr(email.find('@') + 1);
  switch (found.outcome) {
    case mailcheck::Outcome::answered: report.note(text::server_answered(domain, found)); return true;
    case mailcheck::Outcome::unknown: report.note(text::server_unchecked(domain)); return true;
    case mailcheck::Outcome::not_answered:
      return answered_yes(report, text::server_not_answering(domain, found), window::mb::question_yes_default);
    case mailcheck::Outcome::no_domain:
      return answered_yes(report, text::no_such_domain(domain), window::mb::question_no_default);
    case mailcheck::Outcome::no_mail_server:
      return answered_yes(report, text::no_mail_server(domain), window::mb::question_no_default);
  }
  return true;
}

}  // namespace setup
