#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "express/ExpressAccount.h"
#include "platform/registry_emulated.h"
#include "setup_test_support.h"

namespace {

using platform::EmulatedRegistry;
using telvora_test::dword_bytes;
using telvora_test::stored_values;
using telvora_test::StoredValue;

constexpr const char* kManager = "Software\\Microsoft\\Internet Account Manager";
constexpr const char* kAccounts = "Software\\Microsoft\\Internet Account Manager\\Accounts";

std::vector<StoredValue> expected_account(const std::string& email, const std::string& name,
                                          const std::string& incoming, const std::string& outgoing) {
  const auto s = [](const char* n, const std::string& v) { return StoredValue{n, platform::reg::sz, v}; };
  const auto d = [](const char* n, std::uint32_t v) { return StoredValue{n, platform::reg::dword, dword_bytes(v)}; };
  return {d("DCEmail", 2),
          s("POP3 Server", incoming),
          d("POP3 Port", 110),
          s("SMTP Server", outgoing),
          d("SMTP Port", 587),
          d("Connection Type", 3),
          s("POP3 User Name", email),
          s("SMTP Display Name", name),
          s("SMTP Email Address", email),
          s("SMTP Reply To Email Address", email),
          s("SMTP Organization Name", ""),
          s("Account Name", email),
          d("POP3 Timeout", 60),
          d("SMTP Timeout", 60),
          d("POP3 Secure Connection", 0),
          d("Leave Mail On Server", 0),
          d("POP3 Skip Account", 0),
          d("POP3 Prompt for Password", 0),
          s("SMTP User Name", email),
          d("SMTP Use Sicily", 2),
          d("SMTP Secure Connection", 0),
          d("SMTP Split Messages", 0),
          d("SMTP Prompt for Password", 0)};
}

std::string account_key(const std::string& email) { return std::string(kAccounts) + "\\" + email; }

TEST(ExpressAccount, FirstAccountCreatesTheStoreAndWritesTheValuesInOrder) {
  EmulatedRegistry registry;
  ASSERT_TRUE(express::WriteExpressAccount(
      telvora_test::account_of("Ayşe@örnek.com ", "Ayşe Işık", "mail.örnek.com ", "mail.örnek.com "), registry));
  // The emulated registry lists values in the order they were made.
  EXPECT_EQ(stored_values(registry, platform::hkey::current_user, account_key("Ayşe@örnek.com ")),
            expected_account("Ayşe@örnek.com ", "Ayşe Işık", "mail.örnek.com ", "mail.örnek.com "));
  EXPECT_EQ(stored_values(registry, platform::hkey::current_user, kManager), std::vector<StoredValue>{});
  EXPECT_EQ(registry.open_handles(), 0U);
}

TEST(ExpressAccount, EncryptedSidesChangeOnlyTheirPortAndSecureConnectionValues) {
  // POP3 Port, SMTP Port, POP3 and SMTP Secure Connection: values 3, 5, 15 and 21.
  for (const auto& [settings, values] :
       {std::pair{account::ConnectionSettings{true, account::SmtpSecurity::implicit_tls},
                  std::array<std::uint32_t, 4>{995, 465, 1, 1}},
        {{false, account::SmtpSecurity::starttls}, {110, 587, 0, 1}}}) {
    EmulatedRegistry registry;
    auto account = telvora_test::account_of("a@b.c", "Ad", "mail.b.c", "mail.b.c");
    account.settings = settings;
    ASSERT_TRUE(express::WriteExpressAccount(account, registry));
    auto expected = expected_account("a@b.c", "Ad", "mail.b.c", "mail.b.c");
    for (std::size_t i = 0; i < 4; ++i) expected[std::array{2, 4, 14, 20}[i]].data = dword_bytes(values[i]);
    EXPECT_EQ(stored_values(registry, platform::hkey::current_user, account_key("a@b.c")), expected);
  }
}

TEST(ExpressAccount, SameAddressAgainRewritesTheOneKeyAndKeepsOtherValues) {
  EmulatedRegistry registry;
  ASSERT_TRUE(
      express::WriteExpressAccount(telvora_test::account_of("a@b.c", "Eski Ad", "mail.b.c", "mail.b.c"), registry));
  telvora_test::put_string(registry, platform::hkey::current_user, account_key("a@b.c"), "Kullanıcı notu",
                           platform::reg::sz, "kalsın");
  ASSERT_TRUE(
      express::WriteExpressAccount(telvora_test::account_of("a@b.c", "Yeni Ad", "mail.b.c", "mail.b.c"), registry));

  auto expected = expected_account("a@b.c", "Yeni Ad", "mail.b.c", "mail.b.c");
  expected.push_back({"Kullanıcı notu", platform::reg::sz, "kalsın"});
  EXPECT_EQ(stored_values(registry, platform::hkey::current_user, account_key("a@b.c")), expected);

  platform::Hkey accounts = 0;
  ASSERT_EQ(registry.open_key_ex(platform::hkey::current_user, kAccounts, 0, platform::access::read, &accounts), 0);
  char name[256];
  std::uint32_t len = sizeof name;
  EXPECT_EQ(registry.enum_key_ex(accounts, 0, name, &len), platform::win::success);
  len = sizeof name;
  EXPECT_EQ(registry.enum_key_ex(accounts, 1, name, &len), platform::win::no_more_items);
  registry.close_key(accounts);
}

TEST(ExpressAccount, TwoAddressesGiveTwoKeysSideBySide) {
  EmulatedRegistry registry;
  ASSERT_TRUE(
      express::WriteExpressAccount(telvora_test::account_of("bir@x.tr", "Bir", "mail.x.tr", "mail.x.tr"), registry));
  ASSERT_TRUE(express::WriteExpressAccount(telvora_test::account_of("iki@", "İki", "mail.", "mail."), registry));
  EXPECT_EQ(stored_values(registry, platform::hkey::current_user, account_key("bir@x.tr")),
            expected_account("bir@x.tr", "Bir", "mail.x.tr", "mail.x.tr"));
  EXPECT_EQ(stored_values(registry, platform::hkey::current_user, account_key("iki@")),
            expected_account("iki@", "İki", "mail.", "mail."));
}

TEST(ExpressAccount, AFailedWriteIsReportedAfterEveryWriteWasMade) {
  EmulatedRegistry registry;
  // The fifth value ("SMTP Port") cannot be stored.
  registry.fail_call(EmulatedRegistry::Call::set_value_ex, platform::win::access_denied, 5);
  EXPECT_FALSE(express::WriteExpressAccount(telvora_test::account_of("a@b.c", "Ad", "mail.b.c", "mail.b.c"), registry));

  auto expected = expected_account("a@b.c", "Ad", "mail.b.c", "mail.b.c");
  expected.erase(expected.begin() + 4);
  EXPECT_EQ(stored_values(registry, platform::hkey::current_user, account_key("a@b.c")), expected);
  EXPECT_EQ(registry.open_handles(), 0U);
}

TEST(ExpressAccount, AFailedKeyCreationIsReported) {
  EmulatedRegistry registry;
  registry.fail_call(EmulatedRegistry::Call::create_key, platform::win::access_denied, 1);
  EXPECT_FALSE(express::WriteExpressAccount(telvora_test::account_of("a@b.c", "Ad", "mail.b.c", "mail.b.c"), registry));
}

TEST(ExpressAccount, AStoreTheUserMayNotChangeIsReportedAndLeftAlone) {
  EmulatedRegistry registry;
  registry.set_read_only(platform::hkey::current_user, true);
  EXPECT_FALSE(express::WriteExpressAccount(telvora_test::account_of("a@b.c", "Ad", "mail.b.c", "mail.b.c"), registry));
  EXPECT_EQ(stored_values(registry, platform::hkey::current_user, kManager), std::nullopt);
}

}  // namespace
