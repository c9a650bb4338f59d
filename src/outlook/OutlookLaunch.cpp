#include "outlook/OutlookLaunch.h"

#include "registry_source/ClsRegistry.h"
#include "system/process.h"

namespace outlook {

std::string FindOutlookFolder(platform::Registry& registry) {
  ClsRegistry lookup(registry);
  const std::string folder = to_text(
      lookup.GetValue(0x80000002, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE", "Path", ""));
  // The registration is commonly an expandable string such as
  // "%ProgramFiles%\...", which the registry class hands back unexpanded.
  return sys::expand_environment_strings(folder);
}

std::string ProfileImportCommandLine(const std::string& outlook_folder, const std::string& profile_path) {
  return "\"" + outlook_folder + "OUTLOOK.EXE\" /importprf \"" + profile_path + "\"";
}

void LaunchProfileImport(const std::string& outlook_folder, const std::string& profile_path) {
  sys::start_process(ProfileImportCommandLine(outlook_folder, profile_path), sys::sw_minimize);
}

}  // namespace outlook
