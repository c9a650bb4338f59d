#include "setup/PrepareAccountData.h"

#include <cstddef>

#include "platform/codepage.h"
#include "setup/Module1.h"
#include "setup/messages.h"

namespace setup {

namespace {

// Any Unicode space separator counts as blank: a name of no-break spaces
// says no more than one of blanks. Tabs are not blank (they are refused later
// as control characters).
bool is_space_separator(char32_t c) {
  return c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// The C0 controls, DEL and the C1 controls: none of them belongs in a name or
// an address, and a reader of the profile's lines could take some for a line end.
bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

template <typename Test>
bool all_of_code_points(const std::string& s, Test&& test) {
  for (std::size_t i = 0; i < s.size();) {
    if (!test(platform::next_code_point(s, i))) return false;
  }
  return true;
}

bool is_blank(const std::string& s) { return all_of_code_points(s, is_space_separator); }

// A text that the registry and the profile file can hold as it is: every
// character survives the ANSI code page, and none is a control character.
bool is_writable(const std::string& s) {
  return all_of_code_points(s, [](char32_t c) { return !is_control(c); }) && platform::ansi_can_hold(s);
}

// No mail address is longer (RFC 5321 path limit less its angle brackets); a
// longer one would also not fit the registry's key-name limit.
constexpr std::size_t kLongestAddress = 254;

std::size_t code_point_count(const std::string& s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++count) platform::next_code_point(s, i);
  return count;
}

bool refuse(SetupReport& report, const char* message, Field field) {
  show_error(report, message);
  report.focus(field);
  return false;
}

bool checks_pass(const SetupInput& input, SetupReport& report) {
  if (is_blank(input.name)) return refuse(report, text::kNameMissing, Field::name);
  if (is_blank(input.email)) return refuse(report, text::kEmailMissing, Field::email);
  if (input.email.find('@') == std::string::npos || code_point_count(input.email) > kLongestAddress) {
    return refuse(report, text::kEmailInvalid, Field::email);
  }
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
  const CheckDecision decision = ServerCheckAllows(input, check, report);
  if (!decision.settings) return {std::nullopt, decision.stopped};

  show_information(report, input.program == 0 ? text::kCloseOutlook : text::kCloseExpress);

  AccountData data;
  data.email = input.email;
  data.name = input.name;
  // "@" is one byte in UTF-8 and never part of another character, so the
  // byte after it starts the domain part.
  data.domain = input.email.substr(input.email.find('@') + 1);
  data.temp_folder = Module1::UsableTempFolder().value_or("");  // empty: the Outlook branch refuses
  data.incoming_server = "mail." + data.domain;
  data.outgoing_server = "mail." + data.domain;
  data.settings = *decision.settings;
  return {data};
}

}  // namespace setup
