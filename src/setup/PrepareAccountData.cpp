#include "setup/PrepareAccountData.h"

#include <algorithm>

#include "platform/codepage.h"
#include "setup/Module1.h"
#include "setup/messages.h"

namespace setup {

namespace {

// Only U+0020 counts as blank: a name of tabs is not blank (it is refused
// later for its control characters).
bool is_blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// A text that the registry and the profile file can hold as it is: every
// character survives the ANSI code page, and none is a control character that
// a reader of the profile's lines could take for a line end.
bool is_writable(const std::string& s) {
  const bool has_control = std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  return !has_control && platform::ansi_can_hold(s);
}

bool refuse(SetupReport& report, const char* message, Field field) {
  show_error(report, message);
  report.focus(field);
  return false;
}

bool checks_pass(const SetupInput& input, SetupReport& report) {
  if (is_blank(input.name)) return refuse(report, text::kNameMissing, Field::name);
  if (is_blank(input.email)) return refuse(report, text::kEmailMissing, Field::email);
  if (input.email.find('@') == std::string::npos) return refuse(report, text::kEmailInvalid, Field::email);
  if (!is_writable(input.name)) return refuse(report, text::kNameUnusable, Field::name);
  // A backslash would put the account key one level deeper than its store.
  if (!is_writable(input.email) || input.email.find('\\') != std::string::npos) {
    return refuse(report, text::kEmailUnusable, Field::email);
  }
  return true;
}

}  // namespace

PreparedAccount PrepareAccountData(const SetupInput& input, SetupReport& report, const ServerCheck& check) {
  if (!checks_pass(input, report)) return {};
  // Before the reminder, the Outlook lookup and any write.
  if (!ServerCheckAllows(input.email, check, report)) return {std::nullopt, SetupResult::declined_after_check};

  show_information(report, input.program == 0 ? text::kCloseOutlook : text::kCloseExpress);

  AccountData data;
  data.email = input.email;
  data.name = input.name;
  // "@" is one byte in UTF-8 and never part of another character, so the
  // byte after it starts the domain part.
  data.domain = input.email.substr(input.email.find('@') + 1);
  if (const auto folder = Module1::UsableTempFolder()) {
    data.temp_folder = *folder;
    if (data.temp_folder.empty() || data.temp_folder.back() != '\\') data.temp_folder += '\\';
  }
  data.incoming_server = "mail." + data.domain;
  data.outgoing_server = "mail." + data.domain;
  return {data};
}

}  // namespace setup
