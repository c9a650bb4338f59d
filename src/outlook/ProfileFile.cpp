#include "outlook/ProfileFile.h"

#include <iterator>
#include <string>

#include "platform/files.h"

namespace outlook {

std::string BuildProfileText(const account::AccountData& account) {
  const std::string& email = account.email;
  const account::ConnectionSettings& settings = account.settings;
  // Encrypted outgoing mail has a property of its own, which tells 465 (1)
  // from STARTTLS on 587 (2); the older SSL flag on 587 would break sending.
  const bool smtp_plain = settings.smtp == account::SmtpSecurity::none;
  const std::string smtp_security = smtp_plain                                             ? "SMTPUseSSL=0"
                                    : settings.smtp == account::SmtpSecurity::implicit_tls ? "SMTPSecureConnection=1"
                                                                                           : "SMTPSecureConnection=2";
  const std::string lines[] = {
      "[General]",
      "Custom=1",
      "ProfileName=Outlook",
      "DefaultProfile=Yes",
      "OverwriteProfile=Append",
      "ModifyDefaultProfileIfPresent=TRUE",
      "",
      "[Service List]",
      "",
      "[Internet Account List]",
      "Account1=AUTOACCOUNT",
      "",
      "",
      "",
      "[Account1]",
      "UniqueService=No",
      "AccountName=" + email,
      "POP3Server=" + account.incoming_server,
      "SMTPServer=" + account.outgoing_server,
      "POP3UserName=" + email,
      "EmailAddress=" + email,
      "POP3UseSPA=0",
      "DisplayName=" + account.name,
      "ReplyEMailAddress=" + email,
      "SMTPUseAuth=1",
      "SMTPAuthMethod=0",
      "ConnectionType=0",
      "LeaveOnServer=0x0",
      "ConnectionOID=MyConnection",
      "POP3Port=" + std::to_string(account::pop3_port(settings)),
      settings.pop3_ssl ? "POP3UseSSL=1" : "POP3UseSSL=0",
      "ServerTimeOut=60",
      "SMTPPort=" + std::to_string(account::smtp_port(settings)),
      smtp_security,
      "",
      "[AUTOACCOUNT]",
      "AccountType=POP3",
      ";--- POP3 Account Settings ---",
      "AccountName=PT_UNICODE,0x0002",
      "DisplayName=PT_UNICODE,0x000B",
      "EmailAddress=PT_UNICODE,0x000C",
      ";--- POP3 Account Settings ---",
      "POP3Server=PT_UNICODE,0x0100",
      "POP3UserName=PT_UNICODE,0x0101",
      "POP3UseSPA=PT_LONG,0x0108",
      "Organization=PT_UNICODE,0x0107",
      "ReplyEmailAddress=PT_UNICODE,0x0103",
      "POP3Port=PT_LONG,0x0104",
      "POP3UseSSL=PT_LONG,0x0105",
      "; --- SMTP Account Settings ---",
      "SMTPServer=PT_UNICODE,0x0200",
      "SMTPUseAuth=PT_LONG,0x0203",
      "SMTPAuthMethod=PT_LONG,0x0208",
      "SMTPUserName=PT_UNICODE,0x0204",
      "SMTPUseSPA=PT_LONG,0x0207",
      "ConnectionType=PT_LONG,0x000F",
      "ConnectionOID=PT_UNICODE,0x0010",
      "SMTPPort=PT_LONG,0x0201",
      smtp_plain ? "SMTPUseSSL=PT_LONG,0x0202" : "SMTPSecureConnection=PT_LONG,0x020A",
      "ServerTimeOut=PT_LONG,0x0209",
      "LeaveOnServer=PT_LONG,0x1000",
  };
  static_assert(std::size(lines) == 61);

  std::string text;
  for (std::size_t i = 0; i < std::size(lines); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

void WriteProfileFile(const std::string& profile_path, const std::string& profile_text) {
  platform::TextFile file(profile_path, platform::OpenMode::write);
  file.write_line(profile_text);  // the line end it adds closes line 61
  file.close();
}

}  // namespace outlook
