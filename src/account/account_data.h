// One account as the input checks derive it and the mail program targets
// write it: the texts as typed and the values derived from them, for one
// press of the setup button.
#pragma once

#include <string>

namespace account {

// How the outgoing server is reached: in clear on 587, TLS from the first
// byte on 465, or on 587 after STARTTLS.
enum class SmtpSecurity { none, implicit_tls, starttls };

// The connection settings written for the account. The default is the plain
// one: POP3 on 110 and SMTP on 587, both without encryption.
struct ConnectionSettings {
  bool pop3_ssl = false;  // POP3 on 995 with SSL, else on 110 without
  SmtpSecurity smtp = SmtpSecurity::none;
  bool operator==(const ConnectionSettings&) const = default;
};

// The ports the settings name.
inline int pop3_port(const ConnectionSettings& settings) { return settings.pop3_ssl ? 995 : 110; }
inline int smtp_port(const ConnectionSettings& settings) {
  return settings.smtp == SmtpSecurity::implicit_tls ? 465 : 587;
}

struct AccountData {
  std::string email;            // the address as typed (untrimmed)
  std::string name;             // the name as typed (untrimmed)
  std::string domain;           // after the first "@"; may be empty
  std::string incoming_server;  // "mail." + domain
  std::string outgoing_server;  // "mail." + domain, handed on separately
  // Always ends in "\"; empty only when the folder's name cannot be written
  // in the ANSI code page, not even as its short name.
  std::string temp_folder;
  ConnectionSettings settings;  // as the server check proved them; plain without it
};

}  // namespace account
