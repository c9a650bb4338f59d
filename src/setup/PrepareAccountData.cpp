#include "setup/PrepareAccountData.h"

#include "forms/controls.h"
#include "setup/Module1.h"
#include "setup/messages.h"

namespace setup {

namespace {

// Only U+0020 counts as blank: a name of tabs is a name.
bool is_blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::optional<AccountData> PrepareAccountData(platform::Ui& ui) {
  using namespace forms::form1;

  const std::string name = ui.text(txtadsoyad);
  if (is_blank(name)) {
    show_error(ui, text::kNameMissing);
    ui.set_focus(txtadsoyad);
    return std::nullopt;
  }

  const std::string email = ui.text(txteposta);
  if (is_blank(email)) {
    show_error(ui, text::kEmailMissing);
    ui.set_focus(txteposta);
    return std::nullopt;
  }

  const std::size_t at = email.find('@');
  if (at == std::string::npos) {
    show_error(ui, text::kEmailInvalid);
    ui.set_focus(txteposta);
    return std::nullopt;
  }

  show_information(ui, ui.list_index(CmbApp) == 0 ? text::kCloseOutlook : text::kCloseExpress);

  AccountData data;
  data.email = email;
  data.name = name;
  // "@" is one byte in UTF-8 and never part of another character, so the
  // byte after it starts the domain part.
  data.domain = email.substr(at + 1);
  data.temp_folder = Module1::GetTempFolder();
  if (data.temp_folder.empty() || data.temp_folder.back() != '\\') data.temp_folder += '\\';
  data.incoming_server = "mail." + data.domain;
  data.outgoing_server = "mail." + data.domain;
  return data;
}

}  // namespace setup
