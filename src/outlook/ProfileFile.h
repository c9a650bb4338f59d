// The profile file that Outlook imports to create the account: its text and
// its writing.
#pragma once

#include <string>

#include "account/account_data.h"

namespace outlook {

inline constexpr const char* kProfileFileName = "Temp_Profile.PRF";

// The 61 lines of the profile, CR LF between them, none after the last.
// The account's texts go in as they are: its address, name and two server
// names.
std::string BuildProfileText(const account::AccountData& account);

// Creates or empties the file and writes the text and a final CR LF, in the
// system's ANSI code page. Failures of the file service are raised
// (platform::RuntimeError).
void WriteProfileFile(const std::string& profile_path, const std::string& profile_text);

}  // namespace outlook
