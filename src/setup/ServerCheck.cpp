#include "setup/ServerCheck.h"

#include "setup/messages.h"
#include "setup/settings.h"
#include "window/ui.h"

namespace setup {

ServerCheck system_server_check() {
  return [](const std::string& email) { return mailcheck::check_mail_server(email); };
}

CheckDecision ServerCheckAllows(const SetupInput& input, const ServerCheck& check, SetupReport& report) {
  // The domain as typed, as the texts name it; the input checks made sure of the "@".
  const std::string domain = input.email.substr(input.email.find('@') + 1);
  account::ConnectionSettings settings;  // plain, unless the check proves more
  std::string finding;                   // a question to ask, if any
  int style = window::mb::question_yes_default;
  if (check) {
    mailcheck::CheckReport found;
    report.run_busy([&] { found = check(input.email); });
    switch (found.outcome) {
      case mailcheck::Outcome::answered:
        report.note(text::server_answered(domain, found));
        settings = proven_settings(found);
        if (!plain_sides(settings).empty()) finding = encryption_finding(domain, found, settings);
        break;
      case mailcheck::Outcome::unknown: report.note(text::server_unchecked(domain)); break;
      case mailcheck::Outcome::not_answered:
        // A side that answered keeps what it proved; no second question follows.
        settings = proven_settings(found);
        finding = text::server_not_answering(domain, found);
        break;
      case mailcheck::Outcome::no_domain:
        finding = text::no_such_domain(domain);
        style = window::mb::question_no_default;
        break;
      case mailcheck::Outcome::no_mail_server:
        finding = text::no_mail_server(domain);
        style = window::mb::question_no_default;
        break;
    }
  }
  if (input.require_tls) {
    // Asking would only offer what is not wanted: a plain side ends the run.
    const std::string sides = plain_sides(settings);
    if (sides.empty()) return {settings};
    show_error(report, text::encryption_required(domain, sides));
    report.focus(Field::email);
    return {std::nullopt, SetupResult::encryption_required};
  }
  if (!finding.empty() && !report.ask(finding, style)) {
    report.focus(Field::email);
    return {};
  }
  return {settings};
}

}  // namespace setup
