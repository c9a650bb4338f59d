#include "setup/RunSetup.h"

#include "express/ExpressAccount.h"
#include "forms/controls.h"
#include "forms/layout.h"
#include "outlook/OutlookLaunch.h"
#include "outlook/ProfileFile.h"
#include "setup/PrepareAccountData.h"
#include "setup/messages.h"

namespace setup {

void RunSetup(platform::Ui& ui, platform::Registry& registry) {
  const auto data = PrepareAccountData(ui);
  if (!data) return;

  if (ui.list_index(forms::form1::CmbApp) == 0) {
    std::string folder = outlook::FindOutlookFolder(registry);
    if (folder.empty()) {
      show_error(ui, text::kOutlookNotFound);
      return;
    }
    if (folder.back() != '\\') folder += '\\';
    const std::string profile_path = data->temp_folder + outlook::kProfileFileName;
    outlook::WriteProfileFile(
        profile_path, outlook::BuildProfileText(data->email, data->name, data->incoming_server, data->outgoing_server));
    outlook::LaunchProfileImport(folder, profile_path);
  } else if (!express::WriteExpressAccount(data->email, data->name, data->incoming_server, data->outgoing_server,
                                           registry)) {
    // A half-written account must not be reported as set up.
    show_error(ui, text::kExpressNotSaved);
    return;
  }

  ui.show_window(forms::Form3, true, forms::Form1);
  // The completion window's own button ends the program; reaching here means
  // it was closed from its frame, which ends the program too.
  ui.end_process(0);
}

}  // namespace setup
