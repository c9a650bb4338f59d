// The input checks of the main window and the account data derived from them.
#pragma once

#include <optional>

#include "account/account_data.h"
#include "setup/report.h"

namespace setup {

using account::AccountData;

// Checks the name and the address, reminds the user to close the chosen mail
// program and derives the account data. No record when a check failed: its
// message has been shown and the focus moved into the box concerned.
std::optional<AccountData> PrepareAccountData(const SetupInput& input, SetupReport& report);

}  // namespace setup
