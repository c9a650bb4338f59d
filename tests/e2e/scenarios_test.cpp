// Telvora.exe as the user meets it: its real windows under Wine, a stand-in
// Outlook registered in the prefix, and Wine's own registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include <objbase.h>

#include "driver.h"
#include "forms/controls.h"
#include "forms/layout.h"

namespace {

using namespace e2e;
namespace f1 = forms::form1;
namespace f2 = forms::form2;
namespace f3 = forms::form3;

constexpr wchar_t kAppPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
constexpr wchar_t kAccounts[] = L"Software\\Microsoft\\Internet Account Manager\\Accounts";
constexpr UINT kTurkish = 1254;
constexpr int kTwipsPerPixel = 15;

const char kNameMissing[] = "Adınızı - Soyadınızı Belirtmediniz.";
const char kEmailMissing[] = "E-Posta adresinizi Belirtmediniz.";
const char kEmailInvalid[] = "Geçersiz E-Posta adresi belirttiniz.";
const char kCloseOutlook[] = "Kuruluma başlamadan önce Microsoft Outlook uygulamasının kapalı olduğuna emin olunuz.";
const char kCloseExpress[] = "Kuruluma başlamadan önce Outlook Express uygulamasının kapalı olduğuna emin olunuz.";
const char kOutlookNotFound[] = "Microsoft Outlook uygulaması bulunamadı.";
const char kNameUnusable[] = "Adınızda - Soyadınızda kullanılamayan karakterler var.";
const char kEmailUnusable[] = "E-Posta adresinizde kullanılamayan karakterler var.";
const char kTempFolderUnusable[] = "Geçici klasöre erişilemediği için hesap kurulamadı.";

std::wstring caption(window::FormId form) { return widen(forms::form_layout(form).caption); }

const window::ControlLayout& layout_of(window::FormId form, window::ControlId id) {
  for (const auto& c : forms::form_layout(form).controls)
    if (c.id == id) return c;
  throw std::out_of_range("no such control");
}

// The profile file as it must reach the disk: 61 lines, CR LF after each,
// in the Turkish ANSI code page.
std::string expected_profile(const std::wstring& email, const std::wstring& name) {
  const std::string e = to_code_page(email, kTurkish), n = to_code_page(name, kTurkish);
  const std::string server = "mail." + e.substr(e.find('@') + 1);
  const std::string lines[] = {"[General]",
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
                               "AccountName=" + e,
                               "POP3Server=" + server,
                               "SMTPServer=" + server,
                               "POP3UserName=" + e,
                               "EmailAddress=" + e,
                               "POP3UseSPA=0",
                               "DisplayName=" + n,
                               "ReplyEMailAddress=" + e,
                               "SMTPUseAuth=1",
                               "SMTPAuthMethod=0",
                               "ConnectionType=0",
                               "LeaveOnServer=0x0",
                               "ConnectionOID=MyConnection",
                               "POP3Port=110",
                               "POP3UseSSL=0",
                               "ServerTimeOut=60",
                               "SMTPPort=587",
                               "SMTPUseSSL=0",
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
                               "SMTPUseSSL=PT_LONG,0x0202",
                               "ServerTimeOut=PT_LONG,0x0209",
                               "LeaveOnServer=PT_LONG,0x1000"};
  static_assert(std::size(lines) == 61);
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

class Telvora : public testing::Test {
 protected:
  void SetUp() override {
    const std::wstring test = widen(testing::UnitTest::GetInstance()->current_test_info()->name());
    root_ = L"C:\\telvora-e2e\\" + test;
    remove_tree(root_);
    // A temporary folder with a blank and Turkish letters, as a user name
    // such as "Ayşe Işık" gives.
    temp_ = root_ + L"\\Geçici Klasör İş\\";
    make_folders(temp_.substr(0, temp_.size() - 1));
    log_ = root_ + L"\\outlook-command-line.txt";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kAppPaths);
  }

  void TearDown() override {
    app_.reset();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kAppPaths);
  }

  // Whether run_e2e.sh put this run in a private network of its own; else
  // why not.
  static std::string network() {
    wchar_t value[256] = {};
    const DWORD length = GetEnvironmentVariableW(L"TELVORA_E2E_NETWORK", value, 256);
    return length > 0 && length < 256 ? to_utf8(value) : "none: not started by run_e2e.sh";
  }
  static bool private_network() { return network() == "private"; }

  // Outside a private network no run may check the server: it would ask
  // this machine's resolver.
  static std::wstring checked(const std::wstring& arguments) {
    return private_network() ? arguments : arguments + (arguments.empty() ? L"" : L" ") + L"/nocheck";
  }

  void start(const std::wstring& arguments = L"") {
    app_ = std::make_unique<App>(from_unix_path(TELVORA_EXE), temp_, log_, checked(arguments));
    ASSERT_TRUE(app_->started()) << "Telvora.exe did not start";
    form1_ = app_->wait_window(caption(forms::Form1));
    ASSERT_NE(form1_, nullptr) << "the main window did not appear";
  }

  // A run with /quiet: its exit code and what it wrote for the console. It
  // must have had no top-level window at any moment.
  DWORD run_quiet(const std::wstring& arguments, std::string& output) {
    const std::wstring output_file = root_ + L"\\output.txt";
    App app(from_unix_path(TELVORA_EXE), temp_, log_, checked(arguments), output_file);
    EXPECT_TRUE(app.started());
    std::vector<HWND> windows;
    const DWORD exit_code = app.watch_until_exit(windows);
    EXPECT_TRUE(windows.empty()) << windows.size() << " window(s), the first captioned '"
                                 << to_utf8(text_of(windows[0])) << "'";
    output = read_file(output_file);
    return exit_code;
  }

  HWND item(window::ControlId id) const { return GetDlgItem(form1_, id); }

  // Fills the main window, presses the setup button and answers the Outlook
  // reminder: the completion window that follows, null when none came.
  HWND set_up_outlook(const std::wstring& name, const std::wstring& email) {
    fill(name, email);
    click(item(f1::Command1));
    expect_box(kCloseOutlook, Icon::information);
    return HasFatalFailure() ? nullptr : expect_completion_window();
  }

  void fill(const std::wstring& name, const std::wstring& email) {
    type(item(f1::txtadsoyad), name);
    type(item(f1::txteposta), email);
  }

  // Waits for the next message box, checks it and closes it with OK; saves a
  // screenshot of it first when given a file name.
  void expect_box(const std::string& text, Icon icon, const wchar_t* screenshot_file = nullptr) {
    const MessageBoxSeen box = app_->wait_message_box();
    ASSERT_NE(box.hwnd, nullptr) << "no message box came; expected: " << text;
    EXPECT_EQ(to_utf8(box.text), text);
    EXPECT_EQ(to_utf8(box.caption), "Telvora");
    EXPECT_EQ(box.icon, icon) << "icon seen: " << icon_name(box.icon);
    if (screenshot_file != nullptr) screenshot(box.hwnd, screenshot_file);
    app_->answer(box);
  }

  // Copies the stand-in into the folder and registers the value under App Paths.
  void register_outlook(const std::wstring& folder, const std::wstring& path_value, DWORD type) {
    make_folders(folder);
    ASSERT_TRUE(CopyFileW(from_unix_path(TELVORA_STANDIN_EXE).c_str(), (folder + L"\\OUTLOOK.EXE").c_str(), FALSE));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppPaths, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const auto bytes = static_cast<DWORD>((path_value.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(RegSetValueExW(key, L"Path", 0, type, reinterpret_cast<const BYTE*>(path_value.c_str()), bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // The completion window, modal over the main window.
  HWND expect_completion_window() {
    HWND form3 = app_->wait_window(caption(forms::Form3));
    if (!form3) {
      const MessageBoxSeen box = app_->wait_message_box(0);
      ADD_FAILURE() << "the completion window did not appear"
                    << (box.hwnd ? "; a message box says: " + to_utf8(box.text) : std::string());
      return nullptr;
    }
    EXPECT_EQ(GetWindow(form3, GW_OWNER), form1_);
    expect_frame(form3, true);
    EXPECT_FALSE(IsWindowEnabled(form1_)) << "the main window takes input behind the completion window";
    EXPECT_EQ(text_of(GetDlgItem(form3, f3::Label1)), widen(layout_of(forms::Form3, f3::Label1).text));
    EXPECT_EQ(text_of(GetDlgItem(form3, f3::Text1)), widen(layout_of(forms::Form3, f3::Text1).text));
    EXPECT_TRUE(app_->wait_focus(GetDlgItem(form3, f3::Command1))) << "the focus is not on Kapat";
    EXPECT_EQ(app_->active(), form3);
    return form3;
  }

  // Every window's client size and every control's place and size: twips at
  // the window's DPI (15 twips per pixel at 96 dpi); pictures keep their own
  // pixel size, which their layout gives at 96 dpi.
  void expect_geometry(HWND window, window::FormId form, int dpi = 96) {
    const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    const window::FormLayout& layout = forms::form_layout(form);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, px(layout.client_width)) << layout.name;
    EXPECT_EQ(client.bottom, px(layout.client_height)) << layout.name;
    for (const auto& c : layout.controls) {
      HWND control = GetDlgItem(window, c.id);
      ASSERT_NE(control, nullptr) << layout.name << "." << c.name;
      int left = px(c.left), top = px(c.top);
      if (c.parent) {
        left += px(layout_of(form, c.parent).left);
        top += px(layout_of(form, c.parent).top);
      }
      const bool own_size = c.kind == window::ControlKind::picture;
      const RECT r = client_rect_of(control);
      EXPECT_EQ(r.left, left) << layout.name << "." << c.name;
      EXPECT_EQ(r.top, top) << layout.name << "." << c.name;
      EXPECT_EQ(r.right - r.left, own_size ? c.width / kTwipsPerPixel : px(c.width)) << layout.name << "." << c.name;
      EXPECT_EQ(r.bottom - r.top, own_size ? c.height / kTwipsPerPixel : px(c.height)) << layout.name << "." << c.name;
    }
  }

  // A fixed frame without minimise and maximise buttons; tool windows for
  // the dialogs, and only the main window on the taskbar.
  static void expect_frame(HWND window, bool tool_window) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU) << "no close box";
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ((ex_style & WS_EX_TOOLWINDOW) != 0, tool_window);
    EXPECT_EQ((ex_style & WS_EX_APPWINDOW) != 0, !tool_window);
    EXPECT_EQ(GetWindow(window, GW_OWNER) != nullptr, tool_window);
  }

  // The window's centre lies on the centre of what it is placed over.
  static void expect_centred(HWND window, const RECT& over) {
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_NEAR((r.left + r.right) / 2, (over.left + over.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (over.top + over.bottom) / 2, 1);
  }

  // The profile path that the stand-in Outlook of `outlook` was started on,
  // read from its recorded command line; empty, with a failure, when it was
  // not started or not with "/importprf" and a quoted path.
  std::wstring profile_handed_to(const std::wstring& outlook) {
    if (!wait_until([&] { return !read_file(log_).empty(); })) {
      ADD_FAILURE() << "the stand-in Outlook was not started";
      return {};
    }
    const std::wstring line = widen(read_file(log_));
    const std::wstring prefix = L"\"" + outlook + L"\\OUTLOOK.EXE\" /importprf \"";
    if (line.size() <= prefix.size() || line.compare(0, prefix.size(), prefix) != 0 || line.back() != L'"') {
      ADD_FAILURE() << "command line: " << to_utf8(line);
      return {};
    }
    return line.substr(prefix.size(), line.size() - prefix.size() - 1);
  }

  void screenshot(HWND window, const wchar_t* file) {
    Sleep(300);  // painting has finished
    const std::wstring folder = from_unix_path(TELVORA_SCREENSHOTS);
    make_folders(folder);
    EXPECT_TRUE(save_png(window, folder + L"\\" + file));
  }

  std::wstring root_, temp_, log_;
  std::unique_ptr<App> app_;
  HWND form1_ = nullptr;
};

DWORD account_count();

// ------------------------------------------------------------------ refusals

TEST_F(Telvora, RefusedInputShowsItsMessageAndPutsTheFocusInTheBoxConcerned) {
  struct Case {
    const wchar_t* name;
    const wchar_t* email;
    const char* message;
    window::ControlId focus;
    const wchar_t* screenshot_file = nullptr;
  };
  const Case cases[] = {
      {L"", L"", kNameMissing, f1::txtadsoyad},
      {L"   ", L"ali@example.com", kNameMissing, f1::txtadsoyad},
      {L"Ali Veli", L"", kEmailMissing, f1::txteposta},
      {L"Ali Veli", L"  ", kEmailMissing, f1::txteposta},
      {L"Ali Veli", L"ali.example.com", kEmailInvalid, f1::txteposta},
      {L"张伟😀", L"zhang@例子.com", kNameUnusable, f1::txtadsoyad, L"name-unusable.png"},
      {L"Ali Veli", L"李娜🎉@例子.com", kEmailUnusable, f1::txteposta, L"email-unusable.png"},
      {L"Ali Veli", L"ofis\\ali@example.com", kEmailUnusable, f1::txteposta},
  };
  RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kAccounts) + L"\\ofis").c_str());
  const DWORD accounts_before = account_count();
  ASSERT_NO_FATAL_FAILURE(start());
  choose(item(f1::CmbApp), 1);  // the branch that would write the registry
  for (const auto& tc : cases) {
    SCOPED_TRACE(to_utf8(std::wstring(L"name '") + tc.name + L"', address '" + tc.email + L"'"));
    fill(tc.name, tc.email);
    click(item(f1::Command1));
    ASSERT_NO_FATAL_FAILURE(expect_box(tc.message, Icon::error, tc.screenshot_file));
    EXPECT_TRUE(app_->wait_focus(item(tc.focus))) << "focus is on control " << GetDlgCtrlID(app_->focus());
    // Refused: no reminder follows, and the main window is usable again.
    Sleep(200);
    EXPECT_FALSE(app_->message_box_open());
    EXPECT_TRUE(IsWindowEnabled(form1_));
  }
  EXPECT_EQ(app_->wait_exit(0), STILL_ACTIVE);
  // Nothing was written for any of them.
  EXPECT_EQ(account_count(), accounts_before);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kAccounts) + L"\\ofis").c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_FALSE(file_exists(temp_ + L"Temp_Profile.PRF"));
}

// ------------------------------------------------------------------ Outlook

TEST_F(Telvora, OutlookNotRegisteredIsToldAfterTheReminderAndNothingIsWritten) {
  ASSERT_NO_FATAL_FAILURE(start());
  fill(L"Ali Veli", L"ali@example.com");
  for (int press = 1; press <= 2; ++press) {
    SCOPED_TRACE("press " + std::to_string(press));
    click(item(f1::Command1));
    ASSERT_NO_FATAL_FAILURE(expect_box(kCloseOutlook, Icon::information));
    ASSERT_NO_FATAL_FAILURE(expect_box(kOutlookNotFound, Icon::error));
    EXPECT_TRUE(wait_until([&] { return IsWindowEnabled(form1_) != FALSE; }, 3000));
  }
  EXPECT_FALSE(file_exists(temp_ + L"Temp_Profile.PRF"));
  EXPECT_FALSE(file_exists(log_));
  EXPECT_TRUE(app_->windows_with_caption(caption(forms::Form3)).empty());
  // Still usable: the main window takes a new choice.
  choose(item(f1::CmbApp), 1);
  EXPECT_TRUE(wait_until([&] { return IsWindowVisible(item(f1::Image3)) && !IsWindowVisible(item(f1::Image2)); }));
  EXPECT_EQ(app_->wait_exit(0), STILL_ACTIVE);
}

TEST_F(Telvora, OutlookInAFolderWithABlankGetsTheProfileAndAQuotedCommandLine) {
  const std::wstring outlook = root_ + L"\\Microsoft Office\\Office16";
  ASSERT_NO_FATAL_FAILURE(register_outlook(outlook, outlook, REG_SZ));
  ASSERT_NO_FATAL_FAILURE(start());
  const std::wstring name = L"Ayşe Çağlayan", email = L"ayse.caglayan@örnek.com.tr";
  HWND form3 = set_up_outlook(name, email);
  ASSERT_NE(form3, nullptr);

  const std::string profile = read_file(temp_ + L"Temp_Profile.PRF");
  EXPECT_EQ(profile, expected_profile(email, name));
  ASSERT_TRUE(wait_until([&] { return !read_file(log_).empty(); })) << "the stand-in Outlook was not started";
  EXPECT_EQ(read_file(log_),
            to_utf8(L"\"" + outlook + L"\\OUTLOOK.EXE\" /importprf \"" + temp_ + L"Temp_Profile.PRF\""));
  EXPECT_EQ(read_file(log_ + L".show"), "6") << "Outlook must start minimised without the focus";

  expect_geometry(form3, forms::Form3);
  ASSERT_TRUE(app_->bring_to_front(form3));
  screenshot(form3, L"form3.png");
  click(GetDlgItem(form3, f3::Command1));
  EXPECT_EQ(app_->wait_exit(), 0u) << "Kapat did not end the program";
}

TEST_F(Telvora, OutlookRegisteredAsAnExpandableStringIsFoundAndStarted) {
  wchar_t expanded[MAX_PATH] = {};
  const std::wstring value = L"%ProgramFiles%\\Telvora E2E\\Office";
  ASSERT_GT(ExpandEnvironmentStringsW(value.c_str(), expanded, MAX_PATH), 0u);
  ASSERT_NE(std::wstring(expanded), value);
  ASSERT_NO_FATAL_FAILURE(register_outlook(expanded, value, REG_EXPAND_SZ));
  ASSERT_NO_FATAL_FAILURE(start());
  HWND form3 = set_up_outlook(L"Ali Veli", L"ali@example.com");
  ASSERT_NE(form3, nullptr);
  ASSERT_TRUE(wait_until([&] { return !read_file(log_).empty(); })) << "the stand-in Outlook was not started";
  EXPECT_EQ(read_file(log_),
            to_utf8(L"\"" + std::wstring(expanded) + L"\\OUTLOOK.EXE\" /importprf \"" + temp_ + L"Temp_Profile.PRF\""));
  click(GetDlgItem(form3, f3::Command1));
  EXPECT_EQ(app_->wait_exit(), 0u);
  remove_tree(expanded);
}

TEST_F(Telvora, TemporaryFolderNamedOutsideTheCodePageGetsTheProfileThroughItsShortName) {
  temp_ = root_ + L"\\用户 临时\\";
  make_folders(temp_.substr(0, temp_.size() - 1));
  const std::wstring outlook = root_ + L"\\Office";
  ASSERT_NO_FATAL_FAILURE(register_outlook(outlook, outlook, REG_SZ));
  ASSERT_NO_FATAL_FAILURE(start());
  HWND form3 = set_up_outlook(L"Ali Veli", L"ali@example.com");
  ASSERT_NE(form3, nullptr);

  const std::wstring handed = profile_handed_to(outlook);
  ASSERT_FALSE(handed.empty());
  // The path Outlook gets names the file in the real folder, in letters the
  // code page holds.
  const std::string ansi = to_code_page(handed, kTurkish);
  std::wstring back(ansi.size(), L'\0');
  MultiByteToWideChar(kTurkish, 0, ansi.data(), static_cast<int>(ansi.size()), back.data(),
                      static_cast<int>(back.size()));
  EXPECT_EQ(to_utf8(back), to_utf8(handed));
  EXPECT_EQ(read_file(handed), expected_profile(L"ali@example.com", L"Ali Veli"));
  EXPECT_EQ(read_file(temp_ + L"Temp_Profile.PRF"), expected_profile(L"ali@example.com", L"Ali Veli"));
  click(GetDlgItem(form3, f3::Command1));
  EXPECT_EQ(app_->wait_exit(), 0u);
}

// A deep temporary folder: the profile file goes where the folder is, by its
// ANSI name while the file's whole path fits 259 characters, else by its
// short name; where neither fits, the run says so and writes nothing, least
// of all into a drive's root.
TEST_F(Telvora, TemporaryFolderWithALongPathGetsTheProfileOrTheBoxNeverTheDriveRoot) {
  struct Case {
    std::size_t length;     // of the folder's path, its final backslash included
    const wchar_t* folder;  // the name its sub-folders repeat
    bool set_up;
  };
  const Case cases[] = {
      {243, L"Geçici Klasör", true},
      {244, L"Geçici Klasör", true},
      {259, L"Geçici Klasör", true},
      {260, L"Geçici Klasör", true},
      {300, L"Geçici Klasör", true},
      // Sub-folders already 8.3: the short name is hardly shorter.
      {400, L"kkkkkkkk", false},
  };
  const std::wstring outlook = root_ + L"\\Office";
  ASSERT_NO_FATAL_FAILURE(register_outlook(outlook, outlook, REG_SZ));
  const std::wstring drive_roots[] = {L"C:\\Temp_Profile.PRF", L"Z:\\Temp_Profile.PRF"};
  for (const auto& root_file : drive_roots) DeleteFileW(root_file.c_str());
  int row = 0;
  for (const Case& tc : cases) {
    SCOPED_TRACE(to_utf8(tc.folder) + " x " + std::to_string(tc.length));
    temp_ = root_ + L"\\" + std::to_wstring(++row) + L"\\";
    while (temp_.size() + wcslen(tc.folder) + 3 <= tc.length) temp_ += std::wstring(tc.folder) + L"\\";
    temp_ += std::wstring(tc.length - temp_.size() - 1, L'x') + L"\\";
    ASSERT_EQ(temp_.size(), tc.length);
    make_folders(temp_.substr(0, temp_.size() - 1));
    ASSERT_TRUE(file_exists(temp_));
    DeleteFileW(log_.c_str());

    ASSERT_NO_FATAL_FAILURE(start());
    fill(L"Ali Veli", L"ali@example.com");
    click(item(f1::Command1));
    ASSERT_NO_FATAL_FAILURE(expect_box(kCloseOutlook, Icon::information));
    if (tc.set_up) {
      HWND form3 = expect_completion_window();
      ASSERT_NE(form3, nullptr);
      const std::wstring handed = profile_handed_to(outlook);
      ASSERT_FALSE(handed.empty());
      EXPECT_LE(handed.size(), 259U) << to_utf8(handed);
      if (tc.length <= 243) {
        EXPECT_EQ(handed, temp_ + L"Temp_Profile.PRF");
      }
      // The path handed names the file in the real folder.
      EXPECT_EQ(read_file(handed), expected_profile(L"ali@example.com", L"Ali Veli"));
      EXPECT_EQ(read_file(temp_ + L"Temp_Profile.PRF"), expected_profile(L"ali@example.com", L"Ali Veli"));
      click(GetDlgItem(form3, f3::Command1));
      EXPECT_EQ(app_->wait_exit(), 0u);
    } else {
      ASSERT_NO_FATAL_FAILURE(expect_box(kTempFolderUnusable, Icon::error));
      EXPECT_TRUE(IsWindowEnabled(form1_));
      EXPECT_EQ(app_->wait_exit(0), STILL_ACTIVE) << "the main window stays";
      EXPECT_FALSE(file_exists(temp_ + L"Temp_Profile.PRF"));
      EXPECT_TRUE(read_file(log_).empty()) << "Outlook was started";
    }
    app_.reset();
    for (const auto& root_file : drive_roots) EXPECT_FALSE(file_exists(root_file)) << to_utf8(root_file);
  }
}

// ------------------------------------------------------------------ Outlook Express

struct ExpectedValue {
  const wchar_t* name;
  DWORD type;
  std::wstring text;
  DWORD number;
};

// The ports and the secure connection values: POP3's, then SMTP's.
using Settings = std::array<DWORD, 4>;
constexpr Settings kPlain{110, 0, 587, 0};

void expect_express_account(const std::wstring& email, const std::wstring& name, const Settings& settings = kPlain) {
  const std::wstring server = L"mail." + email.substr(email.find(L'@') + 1);
  const ExpectedValue values[] = {
      {L"DCEmail", REG_DWORD, L"", 2},
      {L"POP3 Server", REG_SZ, server, 0},
      {L"POP3 Port", REG_DWORD, L"", settings[0]},
      {L"SMTP Server", REG_SZ, server, 0},
      {L"SMTP Port", REG_DWORD, L"", settings[2]},
      {L"Connection Type", REG_DWORD, L"", 3},
      {L"POP3 User Name", REG_SZ, email, 0},
      {L"SMTP Display Name", REG_SZ, name, 0},
      {L"SMTP Email Address", REG_SZ, email, 0},
      {L"SMTP Reply To Email Address", REG_SZ, email, 0},
      {L"SMTP Organization Name", REG_SZ, L"", 0},
      {L"Account Name", REG_SZ, email, 0},
      {L"POP3 Timeout", REG_DWORD, L"", 60},
      {L"SMTP Timeout", REG_DWORD, L"", 60},
      {L"POP3 Secure Connection", REG_DWORD, L"", settings[1]},
      {L"Leave Mail On Server", REG_DWORD, L"", 0},
      {L"POP3 Skip Account", REG_DWORD, L"", 0},
      {L"POP3 Prompt for Password", REG_DWORD, L"", 0},
      {L"SMTP User Name", REG_SZ, email, 0},
      {L"SMTP Use Sicily", REG_DWORD, L"", 2},
      {L"SMTP Secure Connection", REG_DWORD, L"", settings[3]},
      {L"SMTP Split Messages", REG_DWORD, L"", 0},
      {L"SMTP Prompt for Password", REG_DWORD, L"", 0},
  };
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kAccounts) + L"\\" + email).c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS)
      << "no account key";
  DWORD count = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                   nullptr);
  EXPECT_EQ(count, std::size(values));
  for (const auto& v : values) {
    SCOPED_TRACE(to_utf8(v.name));
    DWORD type = 0;
    BYTE data[1024] = {};
    DWORD size = sizeof(data) - 2;
    ASSERT_EQ(RegQueryValueExW(key, v.name, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, v.type);
    if (v.type == REG_DWORD) {
      ASSERT_EQ(size, 4u);
      EXPECT_EQ(*reinterpret_cast<DWORD*>(data), v.number);
    } else {
      EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(data)), v.text);
    }
  }
  RegCloseKey(key);
}

DWORD account_count() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kAccounts, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD count = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return count;
}

TEST_F(Telvora, OutlookExpressAccountIsWrittenAndRewrittenInTheSameKey) {
  const std::wstring email = L"sukru@örnek.com.tr";
  RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kAccounts) + L"\\" + email).c_str());
  const DWORD accounts_before = account_count();

  struct Run {
    std::wstring name;
  };
  for (const Run& run : {Run{L"Şükrü Öztürk"}, Run{L"Şükrü Öztürk Işık"}}) {
    SCOPED_TRACE(to_utf8(run.name));
    ASSERT_NO_FATAL_FAILURE(start());
    choose(item(f1::CmbApp), 1);
    EXPECT_TRUE(wait_until([&] { return IsWindowVisible(item(f1::Image3)) && !IsWindowVisible(item(f1::Image2)); }));
    fill(run.name, email);
    click(item(f1::Command1));
    ASSERT_NO_FATAL_FAILURE(expect_box(kCloseExpress, Icon::information));
    HWND form3 = expect_completion_window();
    ASSERT_NE(form3, nullptr);
    expect_express_account(email, run.name);
    EXPECT_EQ(account_count(), accounts_before + 1);
    // The close box ends the program as Kapat does.
    PostMessageW(form3, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(app_->wait_exit(), 0u) << "closing the completion window did not end the program";
  }
}

// ------------------------------------------------------------------ command line

TEST_F(Telvora, ShortcutWithSwitchesFillsTheMainWindowAndFocusesTheSetupButton) {
  ASSERT_NO_FATAL_FAILURE(start(L"/name:\"Ayşe Işık\" -EMAIL=ayse@örnek.com /program:Express"));
  EXPECT_EQ(text_of(item(f1::txtadsoyad)), L"Ayşe Işık");
  EXPECT_EQ(text_of(item(f1::txteposta)), L"ayse@örnek.com");
  EXPECT_EQ(SendMessageW(item(f1::CmbApp), CB_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(wait_until([&] { return IsWindowVisible(item(f1::Image3)) && !IsWindowVisible(item(f1::Image2)); }));
  EXPECT_TRUE(app_->wait_focus(item(f1::Command1))) << "focus is on control " << GetDlgCtrlID(app_->focus());
  EXPECT_FALSE(app_->message_box_open());
}

TEST_F(Telvora, QuietRunsSetUpWithoutAnyWindowAndAnswerWithTheirExitCode) {
  const std::wstring email = L"sessiz@örnek.com";
  RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kAccounts) + L"\\" + email).c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kAccounts) + L"\\ofis").c_str());
  std::string output;

  EXPECT_EQ(run_quiet(L"/quiet /name:\"Şükrü Öztürk\" /email:" + email + L" /program:express", output), 0u);
  expect_express_account(email, L"Şükrü Öztürk");
  EXPECT_NE(output.find("başarıyla tamamlandı"), std::string::npos) << output;

  EXPECT_EQ(run_quiet(L"/quiet /name:Ali /email:ali@example.com /program:outlook", output), 3u);
  EXPECT_NE(output.find(kOutlookNotFound), std::string::npos) << output;
  EXPECT_FALSE(file_exists(temp_ + L"Temp_Profile.PRF"));

  const DWORD accounts = account_count();
  EXPECT_EQ(run_quiet(L"/quiet /name:Ali /email:ofis\\ali@example.com /program:1", output), 2u);
  EXPECT_NE(output.find(kEmailUnusable), std::string::npos) << output;
  EXPECT_EQ(account_count(), accounts);

  EXPECT_EQ(run_quiet(L"/quiet /name:Ali /email:ali@example.com /program:1 /foo", output), 64u);
  EXPECT_NE(output.find("/foo"), std::string::npos) << output;
  EXPECT_EQ(account_count(), accounts);

  const std::wstring outlook = root_ + L"\\Office";
  ASSERT_NO_FATAL_FAILURE(register_outlook(outlook, outlook, REG_SZ));
  EXPECT_EQ(run_quiet(L"/quiet /name:\"Ali Veli\" /email:ali@example.com /program:outlook", output), 0u);
  EXPECT_EQ(read_file(temp_ + L"Temp_Profile.PRF"), expected_profile(L"ali@example.com", L"Ali Veli"));
  ASSERT_TRUE(wait_until([&] { return !read_file(log_).empty(); })) << "the stand-in Outlook was not started";
  EXPECT_EQ(read_file(log_ + L".show"), "6");
}

// ------------------------------------------------------------------ server check

// In the private network of run_e2e.sh: mail.iyi.test answers as POP3 and
// SMTP server, mail.yarim.test only as POP3, mail.sessiz.test accepts and
// stays silent; yok.test does not exist, var.test exists without
// mail.var.test; every other name gets a server failure.
class ServerCheck : public Telvora {
 protected:
  void SetUp() override {
    if (!private_network()) GTEST_SKIP() << "no private network namespace (" << network() << ")";
    Telvora::SetUp();
  }

  static std::wstring account_key(const std::wstring& email) { return std::wstring(kAccounts) + L"\\" + email; }
  static bool account_written(const std::wstring& email) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, account_key(email).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  // The main window with Outlook Express chosen and the inputs filled.
  void start_express(const std::wstring& email, const std::wstring& arguments = L"") {
    RegDeleteTreeW(HKEY_CURRENT_USER, account_key(email).c_str());
    ASSERT_NO_FATAL_FAILURE(start(arguments));
    choose(item(f1::CmbApp), 1);
    fill(L"Ali Veli", email);
  }

  // The question after the check: its text, the exclamation icon, the caption
  // and the button that Enter presses.
  MessageBoxSeen expect_question(const std::string& finding, int default_button, int timeout_ms = 10000) {
    const MessageBoxSeen box = app_->wait_message_box(timeout_ms);
    EXPECT_NE(box.hwnd, nullptr) << "no question came: " << finding;
    if (!box.hwnd) return box;
    EXPECT_EQ(to_utf8(box.text), finding + "\r\n\r\nHesap yine de kurulsun mu?");
    EXPECT_EQ(to_utf8(box.caption), "Telvora");
    EXPECT_EQ(box.icon, Icon::exclamation) << "icon seen: " << icon_name(box.icon);
    EXPECT_EQ(box.default_button, default_button) << "Enter presses " << box.default_button;
    EXPECT_NE(GetDlgItem(box.hwnd, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(box.hwnd, IDNO), nullptr);
    return box;
  }

  // Yes goes on as without the check: the reminder, the completion window, the account.
  void expect_set_up(const std::wstring& email) {
    ASSERT_NO_FATAL_FAILURE(expect_box(kCloseExpress, Icon::information));
    HWND form3 = expect_completion_window();
    ASSERT_NE(form3, nullptr);
    EXPECT_TRUE(account_written(email));
    PostMessageW(form3, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(app_->wait_exit(), 0u);
  }

  // No: nothing more is shown, the focus is in the address box, the button is
  // as before and nothing was written.
  void expect_declined(const std::wstring& email) {
    EXPECT_TRUE(app_->wait_focus(item(f1::txteposta))) << "focus is on control " << GetDlgCtrlID(app_->focus());
    Sleep(300);
    EXPECT_FALSE(app_->message_box_open());
    EXPECT_EQ(to_utf8(text_of(item(f1::Command1))), layout_of(forms::Form1, f1::Command1).text);
    EXPECT_TRUE(IsWindowEnabled(item(f1::Command1)));
    EXPECT_FALSE(account_written(email));
    EXPECT_EQ(app_->wait_exit(0), STILL_ACTIVE);
  }

  // What the mail servers received: never a user name, a password or AUTH.
  static std::string received() {
    wchar_t path[1024] = {};
    const DWORD length = GetEnvironmentVariableW(L"TELVORA_E2E_NET_LOG", path, 1024);
    return length > 0 && length < 1024 ? read_file(from_unix_path(to_utf8(path))) : std::string();
  }
  static void expect_no_secret_sent() {
    const std::string log = received();
    for (const char* word : {" USER", " PASS", " AUTH", " user", " pass", " auth"}) {
      EXPECT_EQ(log.find(word), std::string::npos) << word << " was sent:\n" << log;
    }
  }
};

TEST_F(ServerCheck, ServerThatAnswersIsSetUpWithoutAQuestion) {
  ASSERT_NO_FATAL_FAILURE(start_express(L"ayse@iyi.test"));
  click(item(f1::Command1));
  ASSERT_NO_FATAL_FAILURE(expect_set_up(L"ayse@iyi.test"));  // the reminder is the first box
  expect_express_account(L"ayse@iyi.test", L"Ali Veli", {995, 1, 465, 1});
  const std::string log = received();
  EXPECT_NE(log.find("127.0.1.1:110 CAPA"), std::string::npos) << log;
  EXPECT_NE(log.find("127.0.1.1:587 EHLO ["), std::string::npos) << log;
  expect_no_secret_sent();
}

// A side that did not answer, or one that would go in clear: Yes is the
// default, and Yes writes what the server proved.
TEST_F(ServerCheck, ServiceThatDoesNotAnswerIsAskedAboutWithYesTheDefault) {
  const struct {
    const wchar_t* email;
    const char* finding;
    Settings settings;
  } cases[] = {
      {L"ali@yarim.test", "mail.yarim.test sunucusu şu bağlantılara yanıt vermedi: SMTP (587, 465).", kPlain},
      {L"ali@starttls.test",
       "mail.starttls.test sunucusu POP3 için şifreli bağlantı sunmuyor. Şifreniz ağda açık olarak gönderilecek.",
       {110, 0, 587, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(to_utf8(c.email));
    ASSERT_NO_FATAL_FAILURE(start_express(c.email));
    click(item(f1::Command1));
    const MessageBoxSeen box = expect_question(c.finding, IDYES);
    ASSERT_NE(box.hwnd, nullptr);
    screenshot(box.hwnd, c.settings == kPlain ? L"check-not-answered.png" : L"check-not-encrypted.png");
    app_->answer(box, IDYES);
    ASSERT_NO_FATAL_FAILURE(expect_set_up(c.email));
    expect_express_account(c.email, L"Ali Veli", c.settings);
  }
  expect_no_secret_sent();
}

// The Outlook profile carries what the server proved: implicit TLS on both
// sides, or STARTTLS on 587 beside POP3 in clear.
TEST_F(ServerCheck, QuietRunWritesTheProvenSettingsIntoTheOutlookProfile) {
  const std::wstring outlook = root_ + L"\\Office16";
  ASSERT_NO_FATAL_FAILURE(register_outlook(outlook, outlook, REG_SZ));
  const struct {
    const wchar_t* email;
    std::string pop3, smtp;
  } cases[] = {
      {L"ali@iyi.test", "POP3Port=995\r\nPOP3UseSSL=1", "SMTPPort=465\r\nSMTPSecureConnection=1"},
      {L"ali@starttls.test", "POP3Port=110\r\nPOP3UseSSL=0", "SMTPPort=587\r\nSMTPSecureConnection=2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(to_utf8(c.email));
    std::string output;
    EXPECT_EQ(run_quiet(std::wstring(L"/quiet /name:Ali /program:outlook /email:") + c.email, output), 0u) << output;
    std::string expected = expected_profile(c.email, L"Ali");
    const auto replace = [&](const std::string& from, const std::string& to) {
      expected.replace(expected.find(from), from.size(), to);
    };
    replace("POP3Port=110\r\nPOP3UseSSL=0", c.pop3);
    replace("SMTPPort=587\r\nSMTPUseSSL=0", c.smtp);
    replace("SMTPUseSSL=PT_LONG,0x0202", "SMTPSecureConnection=PT_LONG,0x020A");
    EXPECT_EQ(read_file(temp_ + L"Temp_Profile.PRF"), expected);
  }
}

TEST_F(ServerCheck, MissingDomainOrMailServerIsAskedAboutWithNoTheDefault) {
  const struct {
    const wchar_t* email;
    const char* finding;
  } cases[] = {
      {L"ali@yok.test", "yok.test adında bir alan adı bulunamadı. E-Posta adresinizi doğru yazdığınızdan emin olunuz."},
      {L"ali@var.test",
       "mail.var.test adında bir posta sunucusu bulunamadı. Posta sunucunuzun adını hizmet sağlayıcınıza "
       "sorunuz."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(to_utf8(c.email));
    ASSERT_NO_FATAL_FAILURE(start_express(c.email));
    // Enter answers No: nothing is written, and the user corrects the address.
    click(item(f1::Command1));
    MessageBoxSeen box = expect_question(c.finding, IDNO);
    ASSERT_NE(box.hwnd, nullptr);
    ASSERT_TRUE(app_->bring_to_front(box.hwnd));
    press_key(VK_RETURN);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(box.hwnd); })) << "Enter did not close the question";
    ASSERT_NO_FATAL_FAILURE(expect_declined(c.email));
    // Asked again, Yes sets the account up all the same.
    click(item(f1::Command1));
    box = expect_question(c.finding, IDNO);
    ASSERT_NE(box.hwnd, nullptr);
    app_->answer(box, IDYES);
    ASSERT_NO_FATAL_FAILURE(expect_set_up(c.email));
  }
}

TEST_F(ServerCheck, WindowStaysResponsiveWhileASilentServerIsChecked) {
  ASSERT_NO_FATAL_FAILURE(start_express(L"ali@sessiz.test"));
  HWND button = item(f1::Command1);
  click(button);
  ASSERT_TRUE(wait_until([&] { return text_of(button) == L"Denetleniyor…" && !IsWindowEnabled(button); }))
      << "the button reads '" << to_utf8(text_of(button)) << "'";
  // A second press, even one that reaches the window, starts no second
  // check (first: the decision comes 8 seconds after the click).
  click(button);
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutW(form1_, WM_COMMAND, MAKEWPARAM(f1::Command1, BN_CLICKED),
                                reinterpret_cast<LPARAM>(button), SMTO_ABORTIFHUNG, 2000, &answer),
            0);
  EXPECT_EQ(text_of(button), L"Denetleniyor…");
  // It answers messages, repaints and moves.
  EXPECT_NE(SendMessageTimeoutW(form1_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer), 0);
  RedrawWindow(form1_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  EXPECT_TRUE(wait_until([&] { return !GetUpdateRect(form1_, nullptr, FALSE); }, 3000)) << "not repainted";
  RECT before, after;
  GetWindowRect(form1_, &before);
  SetWindowPos(form1_, nullptr, before.left + 40, before.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(wait_until(
      [&] {
        GetWindowRect(form1_, &after);
        return after.left == before.left + 40 && after.top == before.top + 30;
      },
      3000))
      << "the window did not move";
  screenshot(form1_, L"check-busy.png");

  // The services never answer: the decision comes by the hard limit.
  const MessageBoxSeen box = expect_question(
      "mail.sessiz.test sunucusu şu bağlantılara yanıt vermedi: POP3 (110, 995), SMTP (587, 465).", IDYES, 30000);
  ASSERT_NE(box.hwnd, nullptr);
  app_->answer(box, IDNO);
  ASSERT_NO_FATAL_FAILURE(expect_declined(L"ali@sessiz.test"));
}

// /requiretls asks nothing and writes nothing where a side would be plain.
TEST_F(ServerCheck, RequireTlsRefusesAPlainSideWithAnErrorAndTheWindowStays) {
  ASSERT_NO_FATAL_FAILURE(start_express(L"ali@starttls.test", L"/requiretls"));
  click(item(f1::Command1));
  ASSERT_NO_FATAL_FAILURE(expect_box(
      "mail.starttls.test sunucusuyla POP3 için şifreli bağlantı kurulamadığı için hesap kurulmadı.", Icon::error));
  ASSERT_NO_FATAL_FAILURE(expect_declined(L"ali@starttls.test"));
}

TEST_F(ServerCheck, ClosingTheWindowDuringTheCheckEndsTheProgramWithoutWriting) {
  ASSERT_NO_FATAL_FAILURE(start_express(L"ali@sessiz.test"));
  click(item(f1::Command1));
  ASSERT_TRUE(wait_until([&] { return !IsWindowEnabled(item(f1::Command1)); }));
  PostMessageW(form1_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(app_->wait_exit(), 0u) << "the program did not end";
  EXPECT_FALSE(account_written(L"ali@sessiz.test"));
}

TEST_F(ServerCheck, QuietRunEndsWith6WhenTheDomainOrServerIsMissing) {
  std::string output;
  for (const wchar_t* email : {L"ali@yok.test", L"ali@var.test"}) {
    SCOPED_TRACE(to_utf8(email));
    RegDeleteTreeW(HKEY_CURRENT_USER, account_key(email).c_str());
    EXPECT_EQ(run_quiet(std::wstring(L"/quiet /name:Ali /email:") + email + L" /program:express", output), 6u);
    EXPECT_NE(output.find("bulunamadı."), std::string::npos) << output;
    EXPECT_EQ(output.find("kurulsun mu"), std::string::npos) << output;
    EXPECT_FALSE(account_written(email));
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, account_key(L"ece@iyi.test").c_str());
  EXPECT_EQ(run_quiet(L"/quiet /name:Ece /email:ece@iyi.test /program:express", output), 0u);
  EXPECT_NE(output.find("mail.iyi.test: POP3 (110) STLS ve SMTP (587) STARTTLS AUTH PLAIN LOGIN yanıt verdi."),
            std::string::npos)
      << output;
  EXPECT_TRUE(account_written(L"ece@iyi.test"));
  expect_no_secret_sent();
}

// What a quiet run prints and writes for each server of the test network,
// decided within the limit after the program's start; no byte of a server's
// reaches the output raw.
TEST_F(ServerCheck, QuietRunPrintsTheFindingAndTheSettingsOfEachServer) {
  const auto plain = [](const std::string& d) {
    return "POP3: mail." + d + ", port 110, şifresiz\r\nSMTP: mail." + d + ", port 587, şifresiz\r\n";
  };
  const auto refused = [&](const std::string& d, const std::string& reason) {
    return "mail." + d + " sunucusunun güvenlik sertifikası " + reason +
           ". POP3 ve SMTP şifresiz kurulacak; şifreniz ağda açık olarak gönderilecek.\r\n" + plain(d);
  };
  const std::string no_tls = " için şifreli bağlantı sunmuyor. Şifreniz ağda açık olarak gönderilecek.\r\n";
  const struct {
    std::string domain, switches;
    DWORD code;
    std::string printed;
    Settings settings = kPlain;  // as Outlook Express got them
  } cases[] = {
      {"iyi.test",
       "",
       0,
       "POP3: mail.iyi.test, port 995, SSL\r\nSMTP: mail.iyi.test, port 465, SSL\r\n",
       {995, 1, 465, 1}},
      {"sifreli.test",
       " /requiretls",
       0,
       "POP3: mail.sifreli.test, port 995, SSL\r\nSMTP: mail.sifreli.test, port 465, SSL",
       {995, 1, 465, 1}},
      {"starttls.test",
       "",
       0,
       "POP3" + no_tls + "POP3: mail.starttls.test, port 110, şifresiz\r\nSMTP: mail.starttls.test, port 587, STARTTLS",
       {110, 0, 587, 1}},
      {"starttls.test", " /requiretls", 7, "sunucusuyla POP3 için şifreli bağlantı kurulamadığı için hesap kurulmadı."},
      {"baska.test", "", 0, refused("baska.test", "başka bir ada verilmiş (baska-bir.test)")},
      {"eski.test", "", 0, refused("eski.test", "süresi dolmuş")},
      {"yabanci.test", "", 0, refused("yabanci.test", "güvenilir değil")},
      {"eksik.test", "", 0, refused("eksik.test", "güvenilir değil")},
      {"red.test", "", 0, "mail.red.test sunucusu POP3 ve SMTP" + no_tls + plain("red.test")},
      {"karisik.test", "", 0, "mail.karisik.test sunucusu POP3 ve SMTP" + no_tls + plain("karisik.test")},
      {"yarim.test", "", 0, "yanıt vermedi: SMTP (587, 465).\r\n" + plain("yarim.test")},
      {"dnssiz.test", "", 0, "mail.dnssiz.test denetlenemedi.\r\n" + plain("dnssiz.test")},
      {"kirli.test", "", 0, plain("kirli.test")},
      {"kalabalik.test", "", 0, plain("kalabalik.test")},
  };
  std::string output, controls(1, '\x7F');
  for (char c = 0; c < 0x20; ++c) controls += c == '\r' || c == '\n' ? '\x7F' : c;
  ULONGLONG started = GetTickCount64();
  run_quiet(L"/quiet /?", output);
  const ULONGLONG start_time = GetTickCount64() - started;  // what the program's start costs here
  for (const auto& c : cases) {
    SCOPED_TRACE(c.domain + c.switches);
    const std::wstring email = widen("ali@" + c.domain);
    RegDeleteTreeW(HKEY_CURRENT_USER, account_key(email).c_str());
    started = GetTickCount64();
    EXPECT_EQ(run_quiet(widen("/quiet /name:Ali /program:express /email:ali@" + c.domain + c.switches), output),
              c.code);
    EXPECT_LT(GetTickCount64() - started, start_time + 9000);
    EXPECT_NE(output.find(c.printed), std::string::npos) << output;
    EXPECT_EQ(output.find_first_of(controls), std::string::npos) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\r'), std::count(output.begin(), output.end(), '\n'));
    EXPECT_NE(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, output.data(), int(output.size()), nullptr, 0), 0);
    EXPECT_EQ(account_written(email), c.code == 0);
    if (c.code == 0) expect_express_account(email, L"Ali", c.settings);
  }
  expect_no_secret_sent();
}

TEST_F(ServerCheck, NoCheckSetsUpAMissingDomainWithoutAsking) {
  ASSERT_NO_FATAL_FAILURE(start_express(L"veli@yok.test", L"/nocheck"));
  click(item(f1::Command1));
  ASSERT_NO_FATAL_FAILURE(expect_set_up(L"veli@yok.test"));

  std::string output;
  RegDeleteTreeW(HKEY_CURRENT_USER, account_key(L"can@yok.test").c_str());
  EXPECT_EQ(run_quiet(L"/quiet /nocheck /name:Can /email:can@yok.test /program:express", output), 0u);
  EXPECT_EQ(output.find("adında"), std::string::npos) << output;
  EXPECT_NE(output.find("POP3: mail.yok.test, port 110, şifresiz\r\nSMTP: mail.yok.test, port 587, şifresiz\r\n"),
            std::string::npos)
      << output;
  EXPECT_TRUE(account_written(L"can@yok.test"));
}

// ------------------------------------------------------------------ windows

TEST_F(Telvora, AboutWindowIsOneModelessInstanceThatKapatCloses) {
  ASSERT_NO_FATAL_FAILURE(start());
  click(item(f1::Command2));
  HWND form2 = app_->wait_window(caption(forms::Form2));
  ASSERT_NE(form2, nullptr) << "the About window did not appear";
  EXPECT_EQ(GetWindow(form2, GW_OWNER), form1_);
  expect_frame(form2, true);
  RECT main_window;
  GetWindowRect(form1_, &main_window);
  expect_centred(form2, main_window);
  EXPECT_EQ(text_of(GetDlgItem(form2, f2::Text1)), widen(layout_of(forms::Form2, f2::Text1).text));
  EXPECT_TRUE(app_->wait_focus(GetDlgItem(form2, f2::Command1)));

  click(item(f1::Command2));
  Sleep(300);
  const auto abouts = app_->windows_with_caption(caption(forms::Form2));
  ASSERT_EQ(abouts.size(), 1u) << "a second press made a second About window";
  EXPECT_EQ(abouts.front(), form2);

  // The main window takes input meanwhile.
  EXPECT_TRUE(IsWindowEnabled(form1_));
  choose(item(f1::CmbApp), 1);
  EXPECT_TRUE(wait_until([&] { return IsWindowVisible(item(f1::Image3)) && !IsWindowVisible(item(f1::Image2)); }));
  expect_geometry(form2, forms::Form2);
  ASSERT_TRUE(app_->bring_to_front(form2));
  screenshot(form2, L"form2.png");

  click(GetDlgItem(form2, f2::Command1));
  EXPECT_TRUE(wait_until([&] { return !IsWindow(form2); })) << "Kapat did not close the About window";
  EXPECT_TRUE(IsWindow(form1_));

  // Created anew on the next press; closing the main window with it open
  // leaves no window, so the program ends.
  click(item(f1::Command2));
  ASSERT_NE(app_->wait_window(caption(forms::Form2)), nullptr) << "the About window did not open again";
  PostMessageW(form1_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(app_->wait_exit(), 0u);
}

TEST_F(Telvora, KeyboardTabFollowsTheTabOrderAndKapatAnswersEnterAndEsc) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(app_->bring_to_front(form1_));
  ASSERT_TRUE(app_->wait_focus(item(f1::txtadsoyad))) << "the focus does not start in the name box";
  const window::ControlId order[] = {f1::txteposta, f1::CmbApp, f1::Command1, f1::Command2, f1::txtadsoyad};
  for (window::ControlId next : order) {
    press_key(VK_TAB);
    EXPECT_TRUE(app_->wait_focus(item(next), 3000))
        << "expected control " << next << ", focus on " << GetDlgCtrlID(app_->focus());
  }
  // The focus is back in the name box; Shift is not needed to reach "Hakkında".
  for (int i = 0; i < 4; ++i) press_key(VK_TAB);
  ASSERT_TRUE(app_->wait_focus(item(f1::Command2), 3000));

  struct Key {
    WORD key;
    const char* name;
  };
  for (const Key k : {Key{VK_RETURN, "Enter"}, Key{VK_ESCAPE, "Esc"}}) {
    SCOPED_TRACE(k.name);
    if (k.key == VK_ESCAPE)
      click(item(f1::Command2));
    else
      press_key(VK_RETURN);  // Enter on the focused "Hakkında"
    HWND form2 = app_->wait_window(caption(forms::Form2));
    ASSERT_NE(form2, nullptr);
    ASSERT_TRUE(app_->wait_focus(GetDlgItem(form2, f2::Command1), 3000));
    press_key(k.key);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(form2); }, 3000)) << k.name << " did not close the About window";
  }
  EXPECT_EQ(app_->wait_exit(0), STILL_ACTIVE);
}

TEST_F(Telvora, MainWindowMatchesItsLayoutAtNinetySixDpi) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  if (dpi != 96) GTEST_SKIP() << "the display runs at " << dpi << " dpi";
  ASSERT_NO_FATAL_FAILURE(start());
  // Start-up state: Outlook chosen, its picture shown, the password box hidden.
  EXPECT_EQ(SendMessageW(item(f1::CmbApp), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(text_of(item(f1::CmbApp)), L"Microsoft Outlook");
  EXPECT_EQ(SendMessageW(item(f1::CmbApp), CB_GETCOUNT, 0, 0), 2);
  EXPECT_TRUE(IsWindowVisible(item(f1::Image2)));
  EXPECT_FALSE(IsWindowVisible(item(f1::Image3)));
  EXPECT_FALSE(IsWindowVisible(item(f1::txtsifre)));
  expect_geometry(form1_, forms::Form1);
  // The manifest made the program aware of each monitor's DPI.
  EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(form1_)), DPI_AWARENESS_PER_MONITOR_AWARE);
  // Screen readers name a field by the label just before it.
  for (auto [label, field] :
       {std::pair{f1::Label3, f1::txtadsoyad}, {f1::Label1, f1::txteposta}, {f1::Label2, f1::CmbApp}})
    EXPECT_EQ(GetWindow(item(label), GW_HWNDNEXT), item(field)) << "label " << label;
  expect_frame(form1_, false);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  expect_centred(form1_, work);
  ASSERT_TRUE(app_->bring_to_front(form1_));
  Sleep(300);
  // White behind the controls, inside the frame too (between its buttons).
  constexpr std::uint32_t kWhite = 0xFFFFFF;
  EXPECT_EQ(pixel_at(form1_, 2, 2), kWhite);
  const auto& frame = layout_of(forms::Form1, f1::Frame1);
  EXPECT_EQ(pixel_at(form1_, (frame.left + 2400) / kTwipsPerPixel, (frame.top + 480) / kTwipsPerPixel), kWhite);
  screenshot(form1_, L"form1.png");
}

TEST_F(Telvora, LayoutFollowsTheDisplayDpi) {
  // Wine takes its DPI from the registry when a program starts.
  constexpr DWORD kDpi = 144;
  HKEY desktop = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &desktop, nullptr),
            ERROR_SUCCESS);
  DWORD old = 0, old_size = sizeof(old), old_type = 0;
  const bool had_old = RegQueryValueExW(desktop, L"LogPixels", nullptr, &old_type, reinterpret_cast<BYTE*>(&old),
                                        &old_size) == ERROR_SUCCESS;
  RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kDpi), sizeof(kDpi));
  start();
  if (had_old)
    RegSetValueExW(desktop, L"LogPixels", 0, old_type, reinterpret_cast<const BYTE*>(&old), old_size);
  else
    RegDeleteValueW(desktop, L"LogPixels");
  RegCloseKey(desktop);
  ASSERT_NE(form1_, nullptr);
  // Wine reports another process's window at the caller's DPI, so the
  // window's own size tells whether the setting took.
  RECT client;
  GetClientRect(form1_, &client);
  if (client.right == forms::form_layout(forms::Form1).client_width / kTwipsPerPixel)
    GTEST_SKIP() << "this Wine did not take the display DPI from the registry";
  const int dpi = static_cast<int>(kDpi);
  expect_geometry(form1_, forms::Form1, dpi);
  click(item(f1::Command2));
  HWND form2 = app_->wait_window(caption(forms::Form2));
  ASSERT_NE(form2, nullptr);
  expect_geometry(form2, forms::Form2, dpi);
}

}  // namespace

int main(int argc, char** argv) {
  // COM for the PNG encoder of the screenshots; real pixels, not the
  // coordinates the system would scale for a program unaware of DPI.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
