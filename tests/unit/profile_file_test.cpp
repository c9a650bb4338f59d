#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "outlook/ProfileFile.h"
#include "platform/error.h"
#include "platform/files.h"
#include "setup_test_support.h"

namespace {

using telvora_test::UserFolder;

std::vector<std::string> split_crlf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

// The whole file as Outlook reads it, for one account.
constexpr const char* kExpectedProfile =
    "[General]\r\nCustom=1\r\nProfileName=Outlook\r\nDefaultProfile=Yes\r\nOverwriteProfile=Append\r\n"
    "ModifyDefaultProfileIfPresent=TRUE\r\n\r\n[Service List]\r\n\r\n[Internet Account List]\r\n"
    "Account1=AUTOACCOUNT\r\n\r\n\r\n\r\n[Account1]\r\nUniqueService=No\r\nAccountName=ali@ornek.com.tr\r\n"
    "POP3Server=mail.ornek.com.tr\r\nSMTPServer=mail.ornek.com.tr\r\nPOP3UserName=ali@ornek.com.tr\r\n"
    "EmailAddress=ali@ornek.com.tr\r\nPOP3UseSPA=0\r\nDisplayName=Ali Veli\r\nReplyEMailAddress=ali@ornek.com.tr\r\n"
    "SMTPUseAuth=1\r\nSMTPAuthMethod=0\r\nConnectionType=0\r\nLeaveOnServer=0x0\r\nConnectionOID=MyConnection\r\n"
    "POP3Port=110\r\nPOP3UseSSL=0\r\nServerTimeOut=60\r\nSMTPPort=587\r\nSMTPUseSSL=0\r\n\r\n[AUTOACCOUNT]\r\n"
    "AccountType=POP3\r\n;--- POP3 Account Settings ---\r\nAccountName=PT_UNICODE,0x0002\r\n"
    "DisplayName=PT_UNICODE,0x000B\r\nEmailAddress=PT_UNICODE,0x000C\r\n;--- POP3 Account Settings ---\r\n"
    "POP3Server=PT_UNICODE,0x0100\r\nPOP3UserName=PT_UNICODE,0x0101\r\nPOP3UseSPA=PT_LONG,0x0108\r\n"
    "Organization=PT_UNICODE,0x0107\r\nReplyEmailAddress=PT_UNICODE,0x0103\r\nPOP3Port=PT_LONG,0x0104\r\n"
    "POP3UseSSL=PT_LONG,0x0105\r\n; --- SMTP Account Settings ---\r\nSMTPServer=PT_UNICODE,0x0200\r\n"
    "SMTPUseAuth=PT_LONG,0x0203\r\nSMTPAuthMethod=PT_LONG,0x0208\r\nSMTPUserName=PT_UNICODE,0x0204\r\n"
    "SMTPUseSPA=PT_LONG,0x0207\r\nConnectionType=PT_LONG,0x000F\r\nConnectionOID=PT_UNICODE,0x0010\r\n"
    "SMTPPort=PT_LONG,0x0201\r\nSMTPUseSSL=PT_LONG,0x0202\r\nServerTimeOut=PT_LONG,0x0209\r\n"
    "LeaveOnServer=PT_LONG,0x1000";

TEST(ProfileText, IsTheSixtyOneLinesWithTheAccountFilledIn) {
  const std::string text = outlook::BuildProfileText(
      telvora_test::account_of("ali@ornek.com.tr", "Ali Veli", "mail.ornek.com.tr", "mail.ornek.com.tr"));
  EXPECT_EQ(text, kExpectedProfile);
  EXPECT_EQ(split_crlf(text).size(), 61U);
}

TEST(ProfileText, ChangesOnlyThePortAndSecurityLinesOfAnEncryptedSide) {
  using S = account::SmtpSecurity;
  const struct {
    account::ConnectionSettings settings;
    const char* lines[5];  // lines 30, 31, 33, 34 and 59
  } cases[] = {
      {{true, S::implicit_tls},
       {"POP3Port=995", "POP3UseSSL=1", "SMTPPort=465", "SMTPSecureConnection=1",
        "SMTPSecureConnection=PT_LONG,0x020A"}},
      {{false, S::starttls},
       {"POP3Port=110", "POP3UseSSL=0", "SMTPPort=587", "SMTPSecureConnection=2",
        "SMTPSecureConnection=PT_LONG,0x020A"}},
  };
  for (const auto& c : cases) {
    auto account = telvora_test::account_of("ali@ornek.com.tr", "Ali Veli", "mail.ornek.com.tr", "mail.ornek.com.tr");
    account.settings = c.settings;
    auto expected = split_crlf(kExpectedProfile);
    const std::size_t at[] = {29, 30, 32, 33, 58};
    for (std::size_t i = 0; i < 5; ++i) expected[at[i]] = c.lines[i];
    EXPECT_EQ(split_crlf(outlook::BuildProfileText(account)), expected);
  }
}

TEST(ProfileText, TakesEachInputAsItIsAndKeepsTheServerNamesApart) {
  // Blanks, an empty domain and distinct server names reach their own lines
  // untouched.
  const auto lines = split_crlf(outlook::BuildProfileText(telvora_test::account_of(" a@ ", "  ", "mail.", "mail.x")));
  ASSERT_EQ(lines.size(), 61U);
  EXPECT_EQ(lines[16], "AccountName= a@ ");
  EXPECT_EQ(lines[17], "POP3Server=mail.");
  EXPECT_EQ(lines[18], "SMTPServer=mail.x");
  EXPECT_EQ(lines[19], "POP3UserName= a@ ");
  EXPECT_EQ(lines[20], "EmailAddress= a@ ");
  EXPECT_EQ(lines[22], "DisplayName=  ");
  EXPECT_EQ(lines[23], "ReplyEMailAddress= a@ ");
}

TEST(ProfileFile, HoldsTheTextInTheAnsiCodePageEndingInOneLineEnd) {
  UserFolder folder("Geçici Klasör ışğ");
  const std::string path = folder.file("") + "Temp_Profile.PRF";
  const std::string text = outlook::BuildProfileText(
      telvora_test::account_of("şule@örnek.com", "Şule Işık Çağ", "mail.örnek.com", "mail.örnek.com"));

  outlook::WriteProfileFile(path, text);

  const std::string bytes = platform::read_file_bytes(path);
  EXPECT_EQ(bytes, platform::utf8_to_ansi(text) + "\r\n");
  // Windows-1254: Ş DE, u, l, e, blank, I, ş FE, ı FD, k, blank, Ç C7, a, ğ F0
  EXPECT_NE(bytes.find("DisplayName=\xDEule I\xFE\xFDk \xC7"
                       "a\xF0\r\n"),
            std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 30), "LeaveOnServer=PT_LONG,0x1000\r\n");
  EXPECT_EQ(bytes.find('\n'), bytes.find('\r') + 1);  // no bare LF, no byte-order mark before line 1
  EXPECT_EQ(bytes.rfind("[General]", 0), 0U);
}

TEST(ProfileFile, ReplacesAnEarlierLongerFileWhole) {
  UserFolder folder("Geçici Klasör ışğ");
  const std::string path = folder.file("") + "Temp_Profile.PRF";
  outlook::WriteProfileFile(path, std::string(5000, 'x'));
  outlook::WriteProfileFile(path, "short");
  EXPECT_EQ(platform::read_file_bytes(path), "short\r\n");
}

TEST(ProfileFile, RaisesTheFileServiceErrorForAMissingFolder) {
  UserFolder folder("Geçici Klasör ışğ");
  const std::string path = folder.file("") + "yok" + "\\Temp_Profile.PRF";
  try {
    outlook::WriteProfileFile(path, "x");
    FAIL() << "no error raised";
  } catch (const platform::RuntimeError& error) {
    EXPECT_EQ(error.number(), platform::errnum::path_not_found);
  }
  EXPECT_FALSE(platform::file_exists(path));
}

}  // namespace
