#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "outlook/OutlookLaunch.h"
#include "platform/error.h"
#include "platform/registry_emulated.h"
#include "setup_test_support.h"

namespace {

using platform::EmulatedRegistry;
using telvora_test::put_string;
using telvora_test::ScopedEnv;

constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";

struct FolderCase {
  const char* what;
  std::uint32_t type;
  std::string registered;
  std::string found;
};

void PrintTo(const FolderCase& c, std::ostream* os) { *os << c.what; }

class OutlookFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(OutlookFolder, IsTheRegisteredPathWithItsReferencesExpanded) {
  ScopedEnv root("TELVORA_TEST_OFFICE", "C:\\Program Files\\Ofis Paketi");
  EmulatedRegistry registry;
  put_string(registry, platform::hkey::local_machine, kAppPaths, "Path", GetParam().type, GetParam().registered);
  EXPECT_EQ(outlook::FindOutlookFolder(registry), GetParam().found);
  EXPECT_EQ(registry.open_handles(), 0U);
}

INSTANTIATE_TEST_SUITE_P(Registrations, OutlookFolder,
                         ::testing::Values(FolderCase{"plain", platform::reg::sz, "C:\\Ofis\\", "C:\\Ofis\\"},
                                           FolderCase{"no final separator", platform::reg::sz, "C:\\Ofis", "C:\\Ofis"},
                                           FolderCase{"expandable", platform::reg::expand_sz,
                                                      "%TELVORA_TEST_OFFICE%\\Office16\\",
                                                      "C:\\Program Files\\Ofis Paketi\\Office16\\"},
                                           FolderCase{"reference in a plain string", platform::reg::sz,
                                                      "%TELVORA_TEST_OFFICE%", "C:\\Program Files\\Ofis Paketi"},
                                           FolderCase{"unknown reference", platform::reg::expand_sz,
                                                      "%TELVORA_NO_SUCH_NAME%\\x", "%TELVORA_NO_SUCH_NAME%\\x"},
                                           FolderCase{"Turkish folder", platform::reg::sz,
                                                      "D:\\Programlar\\Ofis Çalışma", "D:\\Programlar\\Ofis Çalışma"},
                                           FolderCase{"empty text", platform::reg::sz, "", ""}),
                         [](const auto& info) {
                           std::string name = info.param.what;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(OutlookFolderLookup, IsEmptyWhenNothingIsRegistered) {
  EmulatedRegistry registry;
  EXPECT_EQ(outlook::FindOutlookFolder(registry), "");
  // The key without a "Path" value is not a registration either.
  platform::Hkey key = 0;
  ASSERT_EQ(registry.create_key(platform::hkey::local_machine, kAppPaths, &key), platform::win::success);
  registry.close_key(key);
  EXPECT_EQ(outlook::FindOutlookFolder(registry), "");
}

TEST(OutlookFolderLookup, FindsOutlookForAUserWhoMayOnlyReadTheMachineKeys) {
  EmulatedRegistry registry;
  put_string(registry, platform::hkey::local_machine, kAppPaths, "Path", platform::reg::sz, "C:\\Ofis\\");
  registry.set_read_only(platform::hkey::local_machine, true);
  EXPECT_EQ(outlook::FindOutlookFolder(registry), "C:\\Ofis\\");
}

TEST(OutlookFolderLookup, LetsTheRegistryClassErrorThrough) {
  // A binary "Path" of two bytes is something the registry class refuses.
  EmulatedRegistry registry;
  telvora_test::put_bytes(registry, platform::hkey::local_machine, kAppPaths, "Path", platform::reg::binary, "C:");
  try {
    outlook::FindOutlookFolder(registry);
    FAIL() << "no error raised";
  } catch (const platform::RuntimeError& error) {
    EXPECT_EQ(error.number(), 11002);
  }
  EXPECT_EQ(registry.open_handles(), 0U);
}

TEST(ProfileImportCommand, QuotesBothPathsSoThatBlanksNeitherSplitNorRedirectThem) {
  EXPECT_EQ(outlook::ProfileImportCommandLine("C:\\Program Files\\Microsoft Office\\Office16\\",
                                              "C:\\Users\\Ayşe Yılmaz\\AppData\\Local\\Temp\\Temp_Profile.PRF"),
            "\"C:\\Program Files\\Microsoft Office\\Office16\\OUTLOOK.EXE\" /importprf "
            "\"C:\\Users\\Ayşe Yılmaz\\AppData\\Local\\Temp\\Temp_Profile.PRF\"");
}

TEST(ProfileImportLaunch, RaisesFileNotFoundWhenTheFolderHoldsNoOutlook) {
  telvora_test::UserFolder empty("Boş");
  try {
    outlook::LaunchProfileImport(empty.file(""), empty.file("") + "Temp_Profile.PRF");
    FAIL() << "no error raised";
  } catch (const platform::RuntimeError& error) {
    EXPECT_EQ(error.number(), platform::errnum::file_not_found);
  }
}

}  // namespace
