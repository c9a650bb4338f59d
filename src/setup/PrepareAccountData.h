// The input checks of the main window and the account data derived from them.
#pragma once

#include <optional>

#include "account/account_data.h"
#include "setup/ServerCheck.h"
#include "setup/report.h"

namespace setup {

using account::AccountData;

// The account data, or why the run stops without it.
struct PreparedAccount {
  std::optional<AccountData> data;
  SetupResult stopped = SetupResult::input_refused;  // when there is no data
};

// Checks the name and the address, checks the mail server (unless the check
// is empty), reminds the user to close the chosen mail program and derives
// the account data. No record when an input check failed (its message has
// been shown and the focus moved into the box concerned) or when the user
// declined after the server check, or a side would have been plain under
// /requiretls.
PreparedAccount PrepareAccountData(const SetupInput& input, SetupReport& report, const ServerCheck& check);

}  // namespace setup
