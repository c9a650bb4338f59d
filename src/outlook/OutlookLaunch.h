// Where Outlook is installed, and starting it on the profile file.
#pragma once

#include <string>

#include "platform/registry.h"

namespace outlook {

// Outlook's folder from its per-application path registration, with
// environment references expanded; empty text when none is registered.
// Errors of the registry class are raised (platform::RuntimeError).
std::string FindOutlookFolder(platform::Registry& registry = platform::default_registry());

// The command line that imports the profile: both paths quoted, so that
// blanks in them neither split the profile path nor let Windows try a
// shorter program name first.
std::string ProfileImportCommandLine(const std::string& outlook_folder, const std::string& profile_path);

// Starts Outlook minimised without the focus and does not wait for it. A
// failed start is raised (platform::RuntimeError).
void LaunchProfileImport(const std::string& outlook_folder, const std::string& profile_path);

}  // namespace outlook
