#include "express/ExpressAccount.h"

#include <cstdint>

#include "registry_access/clsRegistryAccess.h"

namespace express {

bool WriteExpressAccount(const account::AccountData& account, platform::Registry& registry) {
  const std::string& email = account.email;
  clsRegistryAccess access(registry);
  bool all_done = true;

  const std::string manager_key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager";
  const std::string account_key = std::string(kAccountsKey) + "\\" + email;
  for (const std::string& key : {manager_key, std::string(kAccountsKey), account_key}) {
    if (!access.KeyExists(key) && access.CreateKey(key) == 0) all_done = false;
  }

  const auto dword = [&](const char* value_name, std::int32_t value) {
    if (access.WriteDWORD(account_key, value_name, value) == 0) all_done = false;
  };
  const auto string = [&](const char* value_name, const std::string& value) {
    if (access.WriteString(account_key, value_name, value) == 0) all_done = false;
  };
  dword("DCEmail", 2);
  string("POP3 Server", account.incoming_server);
  dword("POP3 Port", account::pop3_port(account.settings));
  string("SMTP Server", account.outgoing_server);
  dword("SMTP Port", account::smtp_port(account.settings));
  dword("Connection Type", 3);
  string("POP3 User Name", email);
  string("SMTP Display Name", account.name);
  string("SMTP Email Address", email);
  string("SMTP Reply To Email Address", email);
  string("SMTP Organization Name", "");
  string("Account Name", email);
  dword("POP3 Timeout", 60);
  dword("SMTP Timeout", 60);
  dword("POP3 Secure Connection", account.settings.pop3_ssl ? 1 : 0);
  dword("Leave Mail On Server", 0);
  dword("POP3 Skip Account", 0);
  dword("POP3 Prompt for Password", 0);
  string("SMTP User Name", email);
  dword("SMTP Use Sicily", 2);
  // 1 on either port: Outlook Express speaks STARTTLS on 587 and TLS at once on 465.
  dword("SMTP Secure Connection", account.settings.smtp == account::SmtpSecurity::none ? 0 : 1);
  dword("SMTP Split Messages", 0);
  dword("SMTP Prompt for Password", 0);
  return all_done;
}

}  // namespace express
