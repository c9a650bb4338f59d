// The whole setup run, from the button to the end of the process, for both
// mail programs, on the emulated registry and a scripted user interface.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "arg_record.h"
#include "forms/controls.h"
#include "forms/layout.h"
#include "forms/quiet.h"
#include "outlook/ProfileFile.h"
#include "platform/files.h"
#include "platform/registry_emulated.h"
#include "scripted_ui.h"
#include "setup_test_support.h"

namespace {

using platform::EmulatedRegistry;
using telvora_test::MessageBoxCall;
using telvora_test::press;
using telvora_test::ScriptedUi;
using telvora_test::UserFolder;
using telvora_test::WindowCall;
namespace f1 = forms::form1;

constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
constexpr const char* kOutlookReminder =
    "Kuruluma başlamadan önce Microsoft Outlook uygulamasının kapalı olduğuna emin olunuz.";
constexpr const char* kExpressReminder =
    "Kuruluma başlamadan önce Outlook Express uygulamasının kapalı olduğuna emin olunuz.";
const WindowCall kCompletionShown{WindowCall::show, forms::Form3, true, forms::Form1};

class SetupRun : public ::testing::Test {
 protected:
  SetupRun() : temp_("Geçici Klasör ışğ"), use_temp_(telvora_test::utf8_of(temp_.root())) {
    forms::on_load(ui_, forms::Form1);
    ui_.visibility_changes.clear();
  }

  // The user fills the window, chooses a program and presses the button.
  std::optional<int> run(const std::string& name, const std::string& email, int program) {
    ui_.texts[f1::txtadsoyad] = name;
    ui_.texts[f1::txteposta] = email;
    ui_.choose(f1::CmbApp, program);
    return press(ui_, f1::Command1, registry_);
  }

  void register_outlook(const std::string& folder, std::uint32_t type = platform::reg::sz) {
    telvora_test::put_string(registry_, platform::hkey::local_machine, kAppPaths, "Path", type, folder);
  }

  std::filesystem::path profile_file() const { return temp_.root() / "Temp_Profile.PRF"; }
  // The profile path as the run forms it: the folder the system reports, one
  // final backslash, the file name.
  std::string profile_path() const {
    std::string folder = temp_.file("");
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + "Temp_Profile.PRF";
  }

  // Ends the run from the completion window's own button.
  void press_kapat_when_completion_shows() {
    ui_.while_modal = [this](window::FormId form) {
      if (form == forms::Form3) forms::on_click(ui_, forms::form3::Command1, registry_, {});
    };
  }

  UserFolder temp_;
  telvora_test::TempFolderOverride use_temp_;
  EmulatedRegistry registry_;
  ScriptedUi ui_;
};

// Puts the recording stand-in in the folder as OUTLOOK.EXE; it writes how it
// was started to OUTLOOK.EXE.txt beside itself.
std::filesystem::path install_outlook_stand_in(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  auto program = folder / "OUTLOOK.EXE";
  std::filesystem::copy_file(TELVORA_ARG_RECORDER, program);
  std::filesystem::permissions(program, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
  return program;
}

// What the stand-in recorded: on Windows the show-window value first, then
// its arguments, one a line.
std::vector<std::string> wait_for_record(const std::filesystem::path& program) {
  return telvora_test::wait_for_record(telvora_test::utf8_of(program));
}

std::vector<std::string> expected_record(const std::string& profile_path) {
#ifdef _WIN32
  return {"show=6", "/importprf", profile_path};  // minimised, without the focus
#else
  return {"/importprf", profile_path};
#endif
}

TEST_F(SetupRun, OutlookWritesTheProfileStartsOutlookOnItAndEnds) {
  UserFolder office("Ofis Klasörü");
  const auto outlook = install_outlook_stand_in(office.root());
  register_outlook(telvora_test::utf8_of(office.root()));  // no final separator: the run adds one
  press_kapat_when_completion_shows();

  EXPECT_EQ(run("Şule Işık", "şule@örnek.com", 0), 0);

  EXPECT_EQ(ui_.boxes, (std::vector<MessageBoxCall>{{kOutlookReminder, 64, "Telvora"}}));
  EXPECT_EQ(ui_.window_calls, std::vector<WindowCall>{kCompletionShown});
  EXPECT_EQ(ui_.calls_after_end, 0);

  const std::string bytes = platform::read_file_bytes(telvora_test::utf8_of(profile_file()));
  auto account = telvora_test::account_of("şule@örnek.com", "Şule Işık", "mail.örnek.com", "mail.örnek.com");
  account.settings = {true, account::SmtpSecurity::implicit_tls};  // as the check proved them
  EXPECT_EQ(bytes, platform::utf8_to_ansi(outlook::BuildProfileText(account)) + "\r\n");
  EXPECT_NE(bytes.find("\r\nDisplayName=\xDEule I\xFE\xFDk\r\n"), std::string::npos);

  // The stand-in got the profile path whole, blanks in it.
  const auto record = wait_for_record(outlook);
  EXPECT_EQ(record, expected_record(profile_path()));
  EXPECT_TRUE(platform::file_exists(profile_path()));
}

TEST_F(SetupRun, OutlookRegisteredAsAnExpandableStringIsStarted) {
  UserFolder office("Program Files");
  const auto outlook = install_outlook_stand_in(office.root() / "Office16");
  telvora_test::ScopedEnv program_files("TELVORA_TEST_PROGRAMFILES", telvora_test::utf8_of(office.root()));
  register_outlook("%TELVORA_TEST_PROGRAMFILES%\\Office16\\", platform::reg::expand_sz);
  registry_.set_read_only(platform::hkey::local_machine, true);  // a standard user

  EXPECT_EQ(run("Ali", "ali@ornek.com", 0), 0);  // closed from its frame

  EXPECT_EQ(ui_.window_calls, std::vector<WindowCall>{kCompletionShown});
  EXPECT_EQ(wait_for_record(outlook), expected_record(profile_path()));
}

TEST_F(SetupRun, OutlookNotRegisteredIsToldAndNothingIsWritten) {
  for (int press_count = 1; press_count <= 2; ++press_count) {
    EXPECT_EQ(run("Ali", "ali@ornek.com", 0), std::nullopt);
  }
  const MessageBoxCall reminder{kOutlookReminder, 64, "Telvora"};
  const MessageBoxCall not_found{"Microsoft Outlook uygulaması bulunamadı.", 16, "Telvora"};
  EXPECT_EQ(ui_.boxes, (std::vector<MessageBoxCall>{reminder, not_found, reminder, not_found}));
  EXPECT_FALSE(std::filesystem::exists(profile_file()));
  EXPECT_TRUE(ui_.window_calls.empty());
  EXPECT_EQ(ui_.open_forms, std::set<window::FormId>{forms::Form1});
}

TEST_F(SetupRun, FailedOutlookStartIsShownWithItsNumberAndEndsTheProgram) {
  UserFolder office("Boş Klasör");
  register_outlook(office.file(""));

  EXPECT_EQ(run("Ali", "ali@ornek.com", 0), 1);

  EXPECT_EQ(ui_.boxes,
            (std::vector<MessageBoxCall>{{kOutlookReminder, 64, "Telvora"},
                                         {"Çalışma zamanı hatası '53':\r\n\r\nDosya bulunamadı", 16, "Telvora"}}));
  EXPECT_TRUE(ui_.window_calls.empty());
  EXPECT_TRUE(std::filesystem::exists(profile_file()));  // written before the start; it stays
}

TEST_F(SetupRun, RegistryErrorDuringTheLookupEndsTheProgramBeforeAnyFile) {
  telvora_test::put_bytes(registry_, platform::hkey::local_machine, kAppPaths, "Path", platform::reg::binary, "C:");

  EXPECT_EQ(run("Ali", "ali@ornek.com", 0), 1);

  ASSERT_EQ(ui_.boxes.size(), 2U);
  EXPECT_EQ(ui_.boxes[1],
            (MessageBoxCall{"Çalışma zamanı hatası '11002':\r\n\r\nKayıt defteri işlemi yapılamadı (GetValue)", 16,
                            "Telvora"}));
  EXPECT_FALSE(std::filesystem::exists(profile_file()));
}

TEST_F(SetupRun, MissingTemporaryFolderEndsTheProgramWithTheFileError) {
  register_outlook("C:\\Ofis\\");
  const std::string gone = telvora_test::utf8_of(temp_.root()) + "-gone";
  telvora_test::TempFolderOverride missing(gone);

  EXPECT_EQ(run("Ali", "ali@ornek.com", 0), 1);

  ASSERT_EQ(ui_.boxes.size(), 2U);
  EXPECT_EQ(ui_.boxes[1], (MessageBoxCall{"Çalışma zamanı hatası '76':\r\n\r\nYol bulunamadı", 16, "Telvora"}));
  EXPECT_TRUE(ui_.window_calls.empty());
}

TEST_F(SetupRun, TemporaryFolderNamedOutsideTheCodePageIsReachedByItsShortNameOrNotAtAll) {
  UserFolder office("Ofis");
  const auto outlook = install_outlook_stand_in(office.root());
  register_outlook(office.file(""));
  UserFolder user("临时");
  telvora_test::TempFolderOverride use_user_temp(telvora_test::utf8_of(user.root()));
  const auto real_profile = user.root() / "Temp_Profile.PRF";
#ifdef _WIN32
  // Windows gives the folder a short name that the code page holds: the
  // profile lands in the real folder, and Outlook is handed a path to it.
  EXPECT_EQ(run("Ali", "ali@ornek.com", 0), 0);
  const auto record = wait_for_record(outlook);
  ASSERT_EQ(record.size(), 3U);
  EXPECT_EQ(record[0], "show=6");
  EXPECT_TRUE(platform::ansi_can_hold(record[2])) << record[2];
  EXPECT_EQ(platform::read_file_bytes(record[2]), platform::read_file_bytes(telvora_test::utf8_of(real_profile)));
#else
  // No short names here: the run says so and writes nothing.
  EXPECT_EQ(run("Ali", "ali@ornek.com", 0), std::nullopt);
  EXPECT_EQ(ui_.boxes,
            (std::vector<MessageBoxCall>{{kOutlookReminder, 64, "Telvora"},
                                         {"Geçici klasöre erişilemediği için hesap kurulamadı.", 16, "Telvora"}}));
  EXPECT_TRUE(ui_.window_calls.empty());
  EXPECT_FALSE(std::filesystem::exists(real_profile));
  EXPECT_FALSE(std::filesystem::exists(outlook.string() + ".txt"));
#endif
}

TEST_F(SetupRun, ExpressWritesTheAccountAndEndsWhenTheCompletionWindowCloses) {
  EXPECT_EQ(run("Ayşe", "ayse@ornek.com", 1), 0);  // closed from its frame

  EXPECT_EQ(ui_.boxes, (std::vector<MessageBoxCall>{{kExpressReminder, 64, "Telvora"}}));
  EXPECT_EQ(ui_.window_calls, std::vector<WindowCall>{kCompletionShown});
  const auto values =
      telvora_test::stored_values(registry_, platform::hkey::current_user,
                                  "Software\\Microsoft\\Internet Account Manager\\Accounts\\ayse@ornek.com");
  ASSERT_TRUE(values.has_value());
  EXPECT_EQ(values->size(), 23U);
  EXPECT_FALSE(std::filesystem::exists(profile_file()));
}

TEST_F(SetupRun, NothingChosenTakesTheExpressBranch) {
  press_kapat_when_completion_shows();
  EXPECT_EQ(run("Ali", "ali@ornek.com", -1), 0);
  EXPECT_EQ(ui_.boxes, (std::vector<MessageBoxCall>{{kExpressReminder, 64, "Telvora"}}));
  EXPECT_TRUE(telvora_test::stored_values(registry_, platform::hkey::current_user,
                                          "Software\\Microsoft\\Internet Account Manager\\Accounts\\ali@ornek.com"));
}

TEST_F(SetupRun, ExpressAccountThatCannotBeSavedIsToldAndTheWindowStays) {
  registry_.set_read_only(platform::hkey::current_user, true);

  EXPECT_EQ(run("Ali", "ali@ornek.com", 1), std::nullopt);

  EXPECT_EQ(ui_.boxes, (std::vector<MessageBoxCall>{{kExpressReminder, 64, "Telvora"},
                                                    {"Hesap ayarları kaydedilemedi.", 16, "Telvora"}}));
  EXPECT_TRUE(ui_.window_calls.empty());

  // Once the store can be written, the next press completes.
  registry_.set_read_only(platform::hkey::current_user, false);
  EXPECT_EQ(run("Ali", "ali@ornek.com", 1), 0);
}

TEST_F(SetupRun, RefusedInputReturnsToTheWindowAndTheNextPressStartsAfresh) {
  EXPECT_EQ(run("Ali", "ali.ornek.com", 1), std::nullopt);
  EXPECT_EQ(ui_.focus_moves, std::vector<window::ControlId>{f1::txteposta});
  EXPECT_TRUE(ui_.window_calls.empty());

  EXPECT_EQ(run("Ali", "ali@ornek.com", 1), 0);
  EXPECT_EQ(ui_.boxes.back(), (MessageBoxCall{kExpressReminder, 64, "Telvora"}));
}

// The server check runs after the input checks and before the reminder, the
// Outlook lookup and any write; its outcome decides the box, and the answer
// whether anything is written.
TEST_F(SetupRun, ServerCheckAsksWhenItFoundAFaultAndNoWritesNothing) {
  using mailcheck::Outcome;
  using telvora_test::check_giving;
  struct Case {
    const char* what;
    std::string email;
    int program;
    setup::ServerCheck check;
    std::vector<bool> answers;  // none: Enter, the default button
    std::vector<MessageBoxCall> boxes;
    bool written;
  };
  const auto question = [](const std::string& finding, int style) {
    return MessageBoxCall{finding + "\r\n\r\nHesap yine de kurulsun mu?", style, "Telvora"};
  };
  const MessageBoxCall reminder{kExpressReminder, 64, "Telvora"};
  const std::string no_domain =
      "ornek.cmo.tr adında bir alan adı bulunamadı. E-Posta adresinizi doğru yazdığınızdan emin olunuz.";
  const std::string no_server =
      "mail.örnek.com adında bir posta sunucusu bulunamadı. Posta sunucunuzun adını hizmet sağlayıcınıza sorunuz.";
  const std::string both = "mail.ornek.com sunucusu şu bağlantılara yanıt vermedi: POP3 (110, 995), SMTP (587, 465).";
  const std::string pop3 = "mail.ornek.com sunucusu şu bağlantılara yanıt vermedi: POP3 (110, 995).";
  const Case cases[] = {
      {"A: no box", "a@ornek.com", 1, check_giving(Outcome::answered), {}, {reminder}, true},
      {"B: no box", "b@ornek.com", 1, check_giving(Outcome::unknown), {}, {reminder}, true},
      {"C, Enter says Yes",
       "c1@ornek.com",
       1,
       check_giving(Outcome::not_answered, false, false),
       {},
       {question(both, 52), reminder},
       true},
      {"C: only POP3 failed, No",
       "c2@ornek.com",
       1,
       check_giving(Outcome::not_answered, false, true),
       {false},
       {question(pop3, 52)},
       false},
      {"D, Enter says No",
       "d1@ornek.cmo.tr",
       1,
       check_giving(Outcome::no_domain),
       {},
       {question(no_domain, 308)},
       false},
      {"D, Yes",
       "d2@ornek.cmo.tr",
       1,
       check_giving(Outcome::no_domain),
       {true},
       {question(no_domain, 308), reminder},
       true},
      {"E, Enter says No",
       "e1@örnek.com",
       1,
       check_giving(Outcome::no_mail_server),
       {},
       {question(no_server, 308)},
       false},
      {"E, Yes",
       "e2@örnek.com",
       1,
       check_giving(Outcome::no_mail_server),
       {true},
       {question(no_server, 308), reminder},
       true},
      // No comes before the Outlook lookup, which would fail on this registry.
      {"D for Outlook, No",
       "d3@ornek.cmo.tr",
       0,
       check_giving(Outcome::no_domain),
       {false},
       {question(no_domain, 308)},
       false},
  };
  telvora_test::put_bytes(registry_, platform::hkey::local_machine, kAppPaths, "Path", platform::reg::binary, "C:");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui_.boxes.clear();
    ui_.focus_moves.clear();
    ui_.busy_runs.clear();
    ui_.answers.assign(c.answers.begin(), c.answers.end());
    ui_.texts[f1::txtadsoyad] = "Ali";
    ui_.texts[f1::txteposta] = c.email;
    ui_.choose(f1::CmbApp, c.program);

    const auto ended = press(ui_, f1::Command1, registry_, c.check);

    EXPECT_EQ(ui_.boxes, c.boxes);
    EXPECT_EQ(ui_.busy_runs, (std::vector<telvora_test::BusyRun>{{f1::Command1, "Denetleniyor…"}}));
    EXPECT_EQ(ended, c.written ? std::optional<int>(0) : std::nullopt);  // No leaves the window open
    EXPECT_EQ(ui_.focus_moves, c.written ? std::vector<window::ControlId>{} : std::vector{f1::txteposta});
    EXPECT_EQ(telvora_test::stored_values(registry_, platform::hkey::current_user,
                                          "Software\\Microsoft\\Internet Account Manager\\Accounts\\" + c.email)
                  .has_value(),
              c.written);
    EXPECT_FALSE(std::filesystem::exists(profile_file()));
  }
  // A refused input is not checked at all.
  ui_.busy_runs.clear();
  EXPECT_EQ(run("Ali", "ali.ornek.com", 1), std::nullopt);
  EXPECT_TRUE(ui_.busy_runs.empty());
}

}  // namespace

namespace {

// The quiet run: the same set-up told through an exit code and a few lines.
TEST_F(SetupRun, QuietRunSetsUpWithoutAWindowAndTellsTheOutcomeByItsExitCode) {
  using mailcheck::Outcome;
  using telvora_test::check_giving;
  struct Case {
    const char* what;
    std::function<void()> prepare;
    forms::StartOptions options;
    int exit_code;
    std::vector<std::string> printed;
    setup::ServerCheck check = check_giving(Outcome::answered);
  };
  const auto options = [](const std::string& name, const std::string& email, int program) {
    forms::StartOptions o;
    o.quiet = true;
    o.name = name;
    o.email = email;
    o.program = program;
    return o;
  };
  UserFolder office("Ofis");
  const std::string gone = telvora_test::utf8_of(temp_.root()) + "-gone";
  std::optional<telvora_test::TempFolderOverride> missing_temp;
  forms::StartOptions wrong = options("Ali", "ali@ornek.com", 1);
  wrong.error = "Tanınmayan anahtar: /foo";
  forms::StartOptions unchecked = options("Can", "can@ornk.cmo", 1);
  unchecked.no_check = true;
  const std::string answered = "mail.ornek.com: POP3 (110) ve SMTP (587) yanıt verdi.";
  const std::string done = "Hesabın kurulumu için gerekli ayarlar başarıyla tamamlandı.";
  const std::string ssl[] = {"POP3: mail.ornek.com, port 995, SSL", "SMTP: mail.ornek.com, port 465, SSL"};
  const std::string plain[] = {"POP3: mail.ornek.com, port 110, şifresiz", "SMTP: mail.ornek.com, port 587, şifresiz"};
  forms::StartOptions strict = options("Rıza", "riza@ornek.com", 1);
  strict.require_tls = true;
  mailcheck::CheckReport offers;
  offers.outcome = Outcome::answered;
  offers.pop3 = {true, true, {}};
  offers.smtp = {true, true, {"PLAIN", "LOGIN"}};
  const Case cases[] = {
      {"wrong command line", [] {}, wrong, 64, {wrong.error + "\r\n\r\n" + forms::usage_text()}},
      {"express", [] {}, options("Ayşe", "ayse@ornek.com", 1), 0, {answered, ssl[0], ssl[1], done}},
      {"refused address",
       [] {},
       options("Ali", "ofis\\ali@ornek.com", 1),
       2,
       {"E-Posta adresinizde kullanılamayan karakterler var."}},
      {"address too long",
       [] {},
       options("Ali", std::string(245, 'a') + "@ornek.com", 1),
       2,
       {"Geçersiz E-Posta adresi belirttiniz."}},
      {"outlook missing",
       [] {},
       options("Ali", "ali@ornek.com", 0),
       3,
       {answered, "Microsoft Outlook uygulaması bulunamadı."}},
      {"outlook not started",
       [&] { register_outlook(office.file("")); },
       options("Ali", "ali@ornek.com", 0),
       5,
       {answered, "Çalışma zamanı hatası '53':\r\n\r\nDosya bulunamadı"}},
      {"profile not written",
       [&] { missing_temp.emplace(gone); },
       options("Ali", "ali@ornek.com", 0),
       4,
       {answered, "Çalışma zamanı hatası '76':\r\n\r\nYol bulunamadı"}},
      {"temporary folder too long",
       [&] { missing_temp.emplace(gone + "/" + std::string(300, 'k')); },
       options("Ali", "ali@ornek.com", 0),
       4,
       {answered, "Geçici klasöre erişilemediği için hesap kurulamadı."}},
      {"express not saved",
       [&] {
         missing_temp.reset();
         registry_.set_read_only(platform::hkey::current_user, true);
       },
       options("Ali", "ali@ornek.com", 1),
       4,
       {answered, "Hesap ayarları kaydedilemedi."}},
      {"registry error",
       [&] {
         registry_.set_read_only(platform::hkey::current_user, false);
         telvora_test::put_bytes(registry_, platform::hkey::local_machine, kAppPaths, "Path", platform::reg::binary,
                                 "C:");
       },
       options("Ali", "ali@ornek.com", 0),
       1,
       {answered, "Çalışma zamanı hatası '11002':\r\n\r\nKayıt defteri işlemi yapılamadı (GetValue)"}},
      // What the server check found: D and E end with 6 before anything is
      // written, C and B are told and set up, A names what the services offer.
      {"no such domain",
       [] {},
       options("Ali", "ali@ornk.cmo", 1),
       6,
       {"ornk.cmo adında bir alan adı bulunamadı. E-Posta adresinizi doğru yazdığınızdan emin olunuz."},
       check_giving(Outcome::no_domain)},
      {"no mail server",
       [] {},
       options("Ali", "ali@örnek.com.tr", 1),
       6,
       {"mail.örnek.com.tr adında bir posta sunucusu bulunamadı. Posta sunucunuzun adını hizmet sağlayıcınıza "
        "sorunuz."},
       check_giving(Outcome::no_mail_server)},
      {"smtp not answering",
       [] {},
       options("Eda", "eda@ornek.com", 1),
       0,
       {"mail.ornek.com sunucusu şu bağlantılara yanıt vermedi: SMTP (587, 465).", ssl[0], plain[1], done},
       check_giving(Outcome::not_answered, true, false)},
      {"nothing known",
       [] {},
       options("Nur", "nur@ornek.com", 1),
       0,
       {"mail.ornek.com denetlenemedi.", plain[0], plain[1], done},
       check_giving(Outcome::unknown)},
      {"tls offered",
       [] {},
       options("Ece", "ece@ornek.com", 1),
       0,
       {"mail.ornek.com: POP3 (110) STLS ve SMTP (587) STARTTLS AUTH PLAIN LOGIN yanıt verdi.",
        "mail.ornek.com sunucusu POP3 ve SMTP için şifreli bağlantı sunmuyor. Şifreniz ağda açık olarak gönderilecek.",
        plain[0], plain[1], done},
       [&](const std::string&) { return offers; }},
      {"nocheck",
       [] {},
       unchecked,
       0,
       {"POP3: mail.ornk.cmo, port 110, şifresiz", "SMTP: mail.ornk.cmo, port 587, şifresiz", done},
       check_giving(Outcome::no_domain)},
      {"requiretls",
       [] {},
       strict,
       7,
       {"mail.ornek.com denetlenemedi.",
        "mail.ornek.com sunucusuyla POP3 ve SMTP için şifreli bağlantı kurulamadığı için hesap kurulmadı."},
       check_giving(Outcome::unknown)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.prepare();
    std::vector<std::string> printed;
    EXPECT_EQ(forms::run_quiet(
                  c.options, [&](const std::string& line) { printed.push_back(line); }, registry_, c.check),
              c.exit_code);
    EXPECT_EQ(printed, c.printed);  // the reminder is not given
  }
  // Only the Outlook Express runs that went on wrote an account.
  const auto account = [&](const std::string& email) {
    return telvora_test::stored_values(registry_, platform::hkey::current_user,
                                       "Software\\Microsoft\\Internet Account Manager\\Accounts\\" + email)
        .has_value();
  };
  for (const char* email : {"ali@ornek.com", "ali@ornk.cmo", "ali@örnek.com.tr", "riza@ornek.com"})
    EXPECT_FALSE(account(email)) << email;
  for (const char* email : {"ayse@ornek.com", "eda@ornek.com", "nur@ornek.com", "ece@ornek.com", "can@ornk.cmo"}) {
    EXPECT_TRUE(account(email)) << email;
  }
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_TRUE(ui_.window_calls.empty());
}

}  // namespace
