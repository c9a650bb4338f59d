// The Outlook Express account: one key per address in the current user's
// account store, with its 23 values.
#pragma once

#include <string>

#include "account/account_data.h"
#include "platform/registry.h"

namespace express {

inline constexpr const char* kAccountsKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts";

// Creates the missing keys of the account store, parent first, and writes
// the 23 values in their fixed order. Every write is made even after one has
// failed and nothing is undone; the result tells whether every key creation
// and every write succeeded.
bool WriteExpressAccount(const account::AccountData& account,
                         platform::Registry& registry = platform::default_registry());

}  // namespace express
