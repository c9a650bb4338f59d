#include "setup/RunSetup.h"

#include "express/ExpressAccount.h"
#include "outlook/OutlookLaunch.h"
#include "outlook/ProfileFile.h"
#include "setup/PrepareAccountData.h"
#include "setup/messages.h"

namespace setup {

namespace {

template <typename Work>
void in_step(SetupStep step, Work&& work) {
  try {
    work();
  } catch (const platform::RuntimeError& error) {
    throw SetupStepError(step, error);
  }
}

}  // namespace

SetupResult RunSetup(const SetupInput& input, SetupReport& report, const ServerCheck& check,
                     platform::Registry& registry) {
  const auto prepared = PrepareAccountData(input, report, check);
  if (!prepared.data) return prepared.stopped;
  const auto& data = prepared.data;

  if (input.program == 0) {
    std::string folder = outlook::FindOutlookFolder(registry);
    if (folder.empty()) {
      show_error(report, text::kOutlookNotFound);
      return SetupResult::outlook_missing;
    }
    // A profile path that names another file than the one written would
    // hand Outlook nothing, or somebody else's file.
    if (data->temp_folder.empty()) {
      show_error(report, text::kTempFolderUnusable);
      return SetupResult::temp_folder_unusable;
    }
    if (folder.back() != '\\') folder += '\\';
    const std::string profile_path = data->temp_folder + outlook::kProfileFileName;
    in_step(SetupStep::write_account,
            [&] { outlook::WriteProfileFile(profile_path, outlook::BuildProfileText(*data)); });
    in_step(SetupStep::start_outlook, [&] { outlook::LaunchProfileImport(folder, profile_path); });
  } else if (!express::WriteExpressAccount(*data, registry)) {
    // A half-written account must not be reported as set up.
    show_error(report, text::kExpressNotSaved);
    return SetupResult::account_not_saved;
  }

  report.settings_written(*data);
  report.show_completion();
  return SetupResult::completed;
}

}  // namespace setup
