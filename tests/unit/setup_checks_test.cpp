#include <gtest/gtest.h>

#include <string>

#include "forms/controls.h"
#include "forms/handlers.h"
#include "platform/codepage.h"
#include "scripted_ui.h"
#include "setup/Module1.h"
#include "setup/PrepareAccountData.h"
#include "setup_test_support.h"

namespace {

using namespace forms::form1;
using telvora_test::MessageBoxCall;
using telvora_test::ScriptedUi;

// The checks as the setup button runs them, on what the window holds.
std::optional<account::AccountData> prepare(ScriptedUi& ui) {
  forms::WindowReport report(ui);
  return setup::PrepareAccountData(forms::read_setup_input(ui), report,
                                   telvora_test::check_giving(mailcheck::Outcome::answered))
      .data;
}

struct Refusal {
  const char* what;
  std::string name;
  std::string email;
  const char* message;
  window::ControlId focus;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.what; }

class RefusedInput : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedInput, ShowsItsOneMessageAndPutsTheFocusIntoTheBox) {
  ScriptedUi ui;
  ui.texts[txtadsoyad] = GetParam().name;
  ui.texts[txteposta] = GetParam().email;
  ui.indexes[CmbApp] = 0;

  EXPECT_FALSE(prepare(ui).has_value());

  EXPECT_EQ(ui.boxes, (std::vector<MessageBoxCall>{{GetParam().message, 16, "Telvora"}}));
  EXPECT_EQ(ui.focus_moves, std::vector<window::ControlId>{GetParam().focus});
  EXPECT_EQ(ui.texts[txtadsoyad], GetParam().name);  // nothing else changes
  EXPECT_EQ(ui.texts[txteposta], GetParam().email);
}

constexpr const char* kNoName = "Adınızı - Soyadınızı Belirtmediniz.";
constexpr const char* kNoEmail = "E-Posta adresinizi Belirtmediniz.";
constexpr const char* kBadEmail = "Geçersiz E-Posta adresi belirttiniz.";
constexpr const char* kBadName = "Adınızda - Soyadınızda kullanılamayan karakterler var.";
constexpr const char* kUnusableEmail = "E-Posta adresinizde kullanılamayan karakterler var.";

INSTANTIATE_TEST_SUITE_P(
    Checks, RefusedInput,
    ::testing::Values(
        Refusal{"both empty", "", "", kNoName, txtadsoyad},
        Refusal{"name of blanks with an address", "   ", "a@b.c", kNoName, txtadsoyad},
        Refusal{"empty address", "Ali", "", kNoEmail, txteposta},
        Refusal{"name of no break and ideographic spaces", "\u00A0\u00A0\u3000", "a@b", kNoName, txtadsoyad},
        Refusal{"address of blanks", "Ali", "  ", kNoEmail, txteposta},
        Refusal{"address of narrow no break spaces", "Ali", "\u202F\u2009", kNoEmail, txteposta},
        Refusal{"address without at sign", "Ali", "ali.ornek.com", kBadEmail, txteposta},
        Refusal{"at sign lookalike", "Ali", "ali＠ornek.com", kBadEmail, txteposta},
        Refusal{"address of 255 characters", "Ali", std::string(242, 'a') + "@ornek.com.tr", kBadEmail, txteposta},
        // Checked only after the three checks above, name first.
        Refusal{"Chinese name with emoji", "张伟😀", "li@例子.com", kBadName, txtadsoyad},
        Refusal{"name of tabs", "\t\t", "a@b", kBadName, txtadsoyad},
        Refusal{"name with a lone CR", "Ali\rVeli", "a@b", kBadName, txtadsoyad},
        Refusal{"name with DEL", "Ali\x7FVeli", "a@b", kBadName, txtadsoyad},
        Refusal{"name of no break spaces and a C1 control", "\u00A0\u0085", "a@b", kBadName, txtadsoyad},
        Refusal{"Chinese address", "Ali", "李娜🎉@例子.com", kUnusableEmail, txteposta},
        Refusal{"address of tabs and at sign", "Ali", "\t@\t", kUnusableEmail, txteposta},
        Refusal{"address with a lone CR", "Ali", "ali@ornek.com\r", kUnusableEmail, txteposta},
        Refusal{"address with NEL", "Ali", "ali@ornek\u0085.com", kUnusableEmail, txteposta},
        Refusal{"address with DEL", "Ali", "ali\x7F@ornek.com", kUnusableEmail, txteposta},
        Refusal{"backslash in the address", "Ali", "ofis\\ali@example.com", kUnusableEmail, txteposta},
        Refusal{"full width backslash", "Ali", "ofis＼ali@example.com", kUnusableEmail, txteposta}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (c == ' ') c = '_';
      }
      return name;
    });

struct Accepted {
  const char* what;
  std::string name;
  std::string email;
  std::string domain;
};

void PrintTo(const Accepted& a, std::ostream* os) { *os << a.what; }

class AcceptedInput : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedInput, DerivesTheAccountFromTheTextsAsTyped) {
  ScriptedUi ui;
  ui.texts[txtadsoyad] = GetParam().name;
  ui.texts[txteposta] = GetParam().email;
  ui.indexes[CmbApp] = 0;

  const auto data = prepare(ui);

  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(data->name, GetParam().name);
  EXPECT_EQ(data->email, GetParam().email);
  EXPECT_EQ(data->domain, GetParam().domain);
  EXPECT_EQ(data->incoming_server, "mail." + GetParam().domain);
  EXPECT_EQ(data->outgoing_server, "mail." + GetParam().domain);
  EXPECT_TRUE(ui.focus_moves.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Checks, AcceptedInput,
    ::testing::Values(Accepted{"plain", "Ayşe Yılmaz", "ayse@ornek.com.tr", "ornek.com.tr"},
                      Accepted{"quotes and semicolons", "\"Ali\"; O'Neil", "a;\"b\"@c", "c"},
                      Accepted{"environment reference", "%TEMP%", "%TEMP%@%USERNAME%", "%USERNAME%"},
                      Accepted{"at sign first", "Ali", "@ornek.com", "ornek.com"},
                      Accepted{"at sign last", "Ali", "ali@", ""}, Accepted{"two at signs", "Ali", "a@b@c", "b@c"},
                      Accepted{"blanks around", " Ali ", "  ali@ornek.com  ", "ornek.com  "},
                      Accepted{"no break spaces kept", "\u00A0Ali\u00A0Veli ", "ali@ornek.com", "ornek.com"},
                      // 254 characters, 255 bytes: the limit counts characters.
                      Accepted{"address of 254 characters", "Ali", "ç" + std::string(240, 'a') + "@ornek.com.tr",
                               "ornek.com.tr"},
                      Accepted{"Turkish domain", "Ali", "ali@çağ.com.tr", "çağ.com.tr"}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (c == ' ') c = '_';
      }
      return name;
    });

// What the check's routes 995, 465 and 587 after STARTTLS gave, in turn: '-'
// nothing, 'T' trusted, 't' a trusted certificate without the mail service
// over it, 'n' another name's certificate, 'x' an expired one, 'u' one not
// trusted. The clear routes answered when the outcome says so.
setup::ServerCheck routes_giving(mailcheck::Outcome outcome, std::string verdicts) {
  return [=](const std::string& /*email*/) {
    mailcheck::CheckReport found;
    found.outcome = outcome;
    found.pop3.answered = found.smtp.answered = outcome == mailcheck::Outcome::answered;
    mailcheck::RouteReport* routes[] = {&found.pop3_tls, &found.smtp_tls, &found.smtp_upgrade};
    for (std::size_t i = 0; i < 3; ++i) {
      routes[i]->answered = verdicts[i] != '-' && verdicts[i] != 't';
      routes[i]->certificate =
          static_cast<mailcheck::Certificate>(std::string("-Tnxu").find(verdicts[i] == 't' ? 'T' : verdicts[i]));
      routes[i]->certificate_name = "baska-bir.test";
    }
    return found;
  };
}

TEST(ServerCheckSettings, AreTheTrustedRoutesAndAPlainSideIsAskedAboutOrRefused) {
  using mailcheck::Outcome;
  using S = account::SmtpSecurity;
  const std::string no_tls =
      "mail.ornek.com sunucusu POP3 için şifreli bağlantı sunmuyor. Şifreniz ağda açık olarak gönderilecek.";
  const auto refused = [](const std::string& reason, const std::string& sides) {
    return "mail.ornek.com sunucusunun güvenlik sertifikası " + reason + ". " + sides +
           " şifresiz kurulacak; şifreniz ağda açık olarak gönderilecek.";
  };
  const auto required = [](const std::string& sides) {
    return "mail.ornek.com sunucusuyla " + sides + " için şifreli bağlantı kurulamadığı için hesap kurulmadı.";
  };
  const std::string c = "mail.ornek.com sunucusu şu bağlantılara yanıt vermedi: POP3 (110, 995).";
  const std::string reminder = "Kuruluma başlamadan önce Microsoft Outlook uygulamasının kapalı olduğuna emin olunuz.";
  struct Case {
    Outcome outcome;
    const char* verdicts;
    bool require_tls;
    std::optional<account::ConnectionSettings> settings;
    std::string first_box;
    int style;
  };
  const Case cases[] = {
      {Outcome::answered, "TT-", false, account::ConnectionSettings{true, S::implicit_tls}, reminder, 64},
      {Outcome::answered, "-uT", false, account::ConnectionSettings{false, S::starttls}, no_tls, 52},
      {Outcome::answered, "nxu", false, account::ConnectionSettings{},
       refused("başka bir ada verilmiş (baska-bir.test)", "POP3 ve SMTP"), 52},
      {Outcome::answered, "-xu", false, account::ConnectionSettings{}, refused("süresi dolmuş", "POP3 ve SMTP"), 52},
      {Outcome::answered, "Tnu", false, account::ConnectionSettings{true, S::none},
       refused("başka bir ada verilmiş (baska-bir.test)", "SMTP"), 52},
      {Outcome::answered, "t-u", false, account::ConnectionSettings{}, refused("güvenilir değil", "POP3 ve SMTP"), 52},
      {Outcome::not_answered, "-T-", false, account::ConnectionSettings{false, S::implicit_tls}, c, 52},
      {Outcome::answered, "TxT", true, account::ConnectionSettings{true, S::starttls}, reminder, 64},
      {Outcome::answered, "-uT", true, std::nullopt, required("POP3"), 16},
      {Outcome::unknown, "TT-", true, std::nullopt, required("POP3 ve SMTP"), 16},
      {Outcome::not_answered, "-T-", true, std::nullopt, required("POP3"), 16},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.verdicts) + (k.require_tls ? " /requiretls" : ""));
    ScriptedUi ui;
    forms::WindowReport report(ui);
    const auto data = setup::PrepareAccountData({"Ali", "ali@ornek.com", 0, k.require_tls}, report,
                                                routes_giving(k.outcome, k.verdicts));
    EXPECT_EQ(data.data ? std::optional(data.data->settings) : std::nullopt, k.settings);
    ASSERT_FALSE(ui.boxes.empty());
    const std::string question = k.style == 52 ? k.first_box + "\r\n\r\nHesap yine de kurulsun mu?" : k.first_box;
    EXPECT_EQ(ui.boxes[0], (MessageBoxCall{question, k.style, "Telvora"}));
    EXPECT_EQ(data.stopped == setup::SetupResult::encryption_required, !k.settings);
  }
}

TEST(CodePageUtf8, HoldsEveryCharacterButBackslashesAndControlsAreStillRefused) {
  telvora_test::CodePageInForce utf8(65001);
  if (!utf8.available()) GTEST_SKIP() << "the system's code page is " << platform::ansi_code_page();
  ScriptedUi ui;
  ui.texts[txtadsoyad] = "张伟😀";
  ui.texts[txteposta] = "李娜🎉@例子.com";
  ui.indexes[CmbApp] = 1;
  const auto data = prepare(ui);
  ui.texts[txteposta] = "ofis\\li@例子.com";
  const auto refused = prepare(ui);

  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(data->incoming_server, "mail.例子.com");
  EXPECT_FALSE(refused.has_value());
  EXPECT_EQ(ui.boxes.back(), (MessageBoxCall{kUnusableEmail, 16, "Telvora"}));
}

TEST(Reminder, NamesTheChosenProgramAndComesAfterTheChecks) {
  struct Case {
    int index;
    const char* reminder;
  };
  const Case cases[] = {
      {0, "Kuruluma başlamadan önce Microsoft Outlook uygulamasının kapalı olduğuna emin olunuz."},
      {1, "Kuruluma başlamadan önce Outlook Express uygulamasının kapalı olduğuna emin olunuz."},
      {-1, "Kuruluma başlamadan önce Outlook Express uygulamasının kapalı olduğuna emin olunuz."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    ScriptedUi ui;
    ui.texts[txtadsoyad] = "Ali";
    ui.texts[txteposta] = "ali@ornek.com";
    ui.indexes[CmbApp] = c.index;
    ASSERT_TRUE(prepare(ui).has_value());
    EXPECT_EQ(ui.boxes, (std::vector<MessageBoxCall>{{c.reminder, 64, "Telvora"}}));
  }
}

TEST(TempFolder, IsTheSystemFolderWithOneFinalSeparator) {
  telvora_test::UserFolder folder("Geçici Klasör ışğ");
  telvora_test::TempFolderOverride use(telvora_test::utf8_of(folder.root()));
  ScriptedUi ui;
  ui.texts[txtadsoyad] = "Ali";
  ui.texts[txteposta] = "ali@ornek.com";
  ui.indexes[CmbApp] = 0;

  const std::string system_folder = Module1::GetTempFolder();
  const auto data = prepare(ui);

  ASSERT_TRUE(data.has_value());
  // The folder comes back as the program's own text, Turkish letters intact.
  EXPECT_NE(system_folder.find(telvora_test::utf8_of(folder.root().filename())), std::string::npos) << system_folder;
  const bool separated = system_folder.back() == '\\' || system_folder.back() == '/';
  const std::string expected = separated ? system_folder : system_folder + "\\";
  EXPECT_EQ(data->temp_folder, expected);
}

#ifndef _WIN32
// The profile file's whole path must fit the ANSI path limit (259 characters
// and the NUL); the native file system keeps no short names, so a longer
// folder leaves the run without one, never with the drive's root.
TEST(TempFolder, IsUsedOnlyWhereTheProfilePathFitsTheAnsiLimit) {
  const std::size_t kProfileName = std::string("Temp_Profile.PRF").size();
  for (const std::size_t length : {243U, 244U, 259U, 260U, 300U}) {
    SCOPED_TRACE(length);
    const std::string folder = "/" + std::string(length - 2, 'k') + "/";  // with its final separator
    telvora_test::ScopedEnv tmpdir("TMPDIR", folder);
    ScriptedUi ui;
    ui.texts[txtadsoyad] = "Ali";
    ui.texts[txteposta] = "ali@ornek.com";
    ui.indexes[CmbApp] = 0;
    const auto data = prepare(ui);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->temp_folder, length + kProfileName <= 259 ? folder : "");
  }
}
#endif

}  // namespace
