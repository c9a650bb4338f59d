// Key path texts and the key operations of clsRegistryAccess, on every
// registry backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "clsRegistryAccess_support.h"

namespace {

using namespace platform;
using access_test::AccessFixture;
using telvora_test::BackendNames;
using telvora_test::RegistryBackends;

template <class Backend>
class AccessKeys : public AccessFixture<Backend> {};
TYPED_TEST_SUITE(AccessKeys, RegistryBackends, BackendNames);

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TYPED_TEST(AccessKeys, PathTextsNameTheirRootAndSubKey) {
  const struct {
    const char* path;
    Hkey root;
    const char* sub_key;
  } cases[] = {
      {"HKCU\\Software\\X", hkey::current_user, "Software\\X"},
      {"hkcu\\Software\\X", hkey::current_user, "Software\\X"},
      {"HKEY_CURRENT_USER\\Software\\X", hkey::current_user, "Software\\X"},
      {"hkey_current_user\\Software\\X", hkey::current_user, "Software\\X"},
      {"HKEY_LOCAL_MACHINE\\Software", hkey::local_machine, "Software"},
      {"HkLm\\Software", hkey::local_machine, "Software"},
      {"HKEY_CLASSES_ROOT\\.txt", hkey::classes_root, ".txt"},
      {"HKCR\\.txt", hkey::classes_root, ".txt"},
      {"HKEY_USERS\\.DEFAULT", hkey::users, ".DEFAULT"},
      {"HKUS\\.DEFAULT", hkey::users, ".DEFAULT"},
      {"HKEY_PERFORMANCE_DATA\\x", hkey::performance_data, "x"},
      {"HKPD\\x", hkey::performance_data, "x"},
      // The dynamic-data row comes first in the table, yet each name keeps its own root.
      {"HKEY_DYN_DATA\\x", hkey::dyn_data, "x"},
      {"HKEY_CURRENT_CONFIG\\x", hkey::current_config, "x"},
      {"HKDD\\x", hkey::dyn_data, "x"},
      {"hkcc\\x", hkey::current_config, "x"},
      // The root alone, with or without a backslash, is the root key itself.
      {"HKCU", hkey::current_user, ""},
      {"HKEY_CURRENT_USER\\", hkey::current_user, ""},
      {"hkey_local_machine", hkey::local_machine, ""},
      // A backslash at the end names the same key as without it.
      {"HKCU\\Software\\X\\", hkey::current_user, "Software\\X"},
      {"HKCU\\Software\\\\", hkey::current_user, "Software"},
      // Only the first four characters name the root.
      {"HKCUX\\Software", hkey::current_user, "Software"},
      {"HKEY_CURRENT_USERS\\Software", hkey::current_user, "Software"},
      // Long root names are shortened wherever they stand.
      {"HKCU\\Software\\HKEY_LOCAL_MACHINE\\a", hkey::current_user, "Software\\HKLM\\a"},
      {"HKCU\\hkey_current_config", hkey::current_user, "HKCC"},
      // No root name: "SOFT" is no root.
      {"Software\\Microsoft\\Windows", 0, "Microsoft\\Windows"},
      {"\\HKCU\\Software", 0, "HKCU\\Software"},
      {"", 0, ""},
  };
  for (const auto& c : cases) {
    this->recorder().calls.clear();
    this->acc().KeyExists(c.path);
    const auto opens = this->recorder().of("open_key_ex");
    ASSERT_EQ(opens.size(), 1U) << c.path;
    EXPECT_EQ(opens[0].key, c.root) << c.path;
    EXPECT_EQ(opens[0].text, c.sub_key) << c.path;
    EXPECT_EQ(opens[0].sam_or_type, access::all) << c.path;
  }
}

TYPED_TEST(AccessKeys, AnUnknownRootFailsEveryKeyOperation) {
  std::vector<std::string> keys = {"left over"};
  EXPECT_EQ(this->acc().CreateKey("Software\\TelvoraNoRoot"), 0);
  EXPECT_EQ(this->acc().KillKey("Software\\Microsoft"), 0);
  EXPECT_FALSE(this->acc().KeyExists("Software\\Microsoft"));
  EXPECT_FALSE(this->acc().HaveSubkey("Software\\Microsoft"));
  EXPECT_EQ(this->acc().EnumKeys("Software\\Microsoft", keys), -1);
  EXPECT_TRUE(keys.empty());
}

TYPED_TEST(AccessKeys, ListingAnUnknownRootAloneEnds) {
  // "Software" alone is the root text "SOFTWARE" with no sub-key. Opening the
  // empty sub-key of no root may succeed with no usable handle (Wine does),
  // and then every enumeration index fails: the listing must still end.
  std::vector<std::string> keys = {"left over"};
  EXPECT_LE(this->acc().EnumKeys("Software", keys), 0);
  EXPECT_TRUE(keys.empty());
  std::vector<std::string> names;
  std::vector<clsRegistryAccess::Value> values;
  EXPECT_LE(this->acc().EnumValues("Software", names, values), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_LT(this->recorder().enum_calls, 10U);
}

TYPED_TEST(AccessKeys, CreateKeyMakesMissingParentsAndLeavesAnExistingKeyAlone) {
  EXPECT_NE(this->acc().CreateKey(this->base("a\\b\\c")), 0);
  EXPECT_TRUE(this->key_exists("a\\b\\c"));

  this->put("a", "kept", reg::sz, "x");
  EXPECT_NE(this->acc().CreateKey(this->base("a")), 0);
  EXPECT_EQ(this->raw_text("a", "kept"), "x");
  // Short root name, any case.
  EXPECT_NE(this->acc().CreateKey("hkcu\\" + this->scratch_path() + "\\short"), 0);
  EXPECT_TRUE(this->key_exists("short"));
}

TYPED_TEST(AccessKeys, KillKeyDeletesALeafAndReportsOnlyWhetherTheKeyOpened) {
  this->make_key("leaf");
  EXPECT_NE(this->acc().KillKey(this->base("leaf")), 0);
  EXPECT_FALSE(this->key_exists("leaf"));

  EXPECT_EQ(this->acc().KillKey(this->base("missing")), 0);

  // The registry refuses a key with sub-keys; the result still says "opened".
  this->make_key("parent\\child");
  EXPECT_NE(this->acc().KillKey(this->base("parent")), 0);
  EXPECT_TRUE(this->key_exists("parent\\child"));
}

TYPED_TEST(AccessKeys, KeyExistsOpensTheKeyWithFullAccess) {
  this->make_key("there");
  EXPECT_TRUE(this->acc().KeyExists(this->base("there")));
  EXPECT_TRUE(this->acc().KeyExists(this->base("THERE")));
  EXPECT_FALSE(this->acc().KeyExists(this->base("not there")));
  EXPECT_TRUE(this->acc().KeyExists("HKCU"));
  EXPECT_TRUE(this->acc().KeyExists("HKCU\\"));
}

TYPED_TEST(AccessKeys, KeyExistsIsFalseForAKeyThatOnlyReads) {
  EmulatedRegistry* e = this->emulated();
  if (e == nullptr) GTEST_SKIP() << "only the emulated registry has a read-only root";
  EXPECT_TRUE(this->acc().KeyExists("HKLM"));
  e->set_read_only(hkey::local_machine, true);
  EXPECT_FALSE(this->acc().KeyExists("HKLM"));
  // Listing needs no access mask, so the key still lists.
  std::vector<std::string> keys;
  EXPECT_GE(this->acc().EnumKeys("HKLM", keys), 0);
  e->set_read_only(hkey::local_machine, false);
}

TYPED_TEST(AccessKeys, EnumKeysListsTheSubKeysAndEmptiesTheArrayFirst) {
  for (const char* name : {"alpha", "beta", "gamma"}) this->make_key(std::string("parent\\") + name);
  this->make_key("parent\\beta\\deeper");  // not listed: one level only
  std::vector<std::string> keys = {"stale", "stale"};
  EXPECT_EQ(this->acc().EnumKeys(this->base("parent"), keys), 3);
  EXPECT_EQ(sorted(keys), (std::vector<std::string>{"alpha", "beta", "gamma"}));

  this->make_key("empty");
  keys = {"stale"};
  EXPECT_EQ(this->acc().EnumKeys(this->base("empty"), keys), 0);
  EXPECT_TRUE(keys.empty());

  keys = {"stale"};
  EXPECT_EQ(this->acc().EnumKeys(this->base("missing"), keys), -1);
  EXPECT_TRUE(keys.empty());

  // The root itself.
  EXPECT_GT(this->acc().EnumKeys("HKCU", keys), 0);
  EXPECT_NE(std::find_if(keys.begin(), keys.end(), [](const std::string& k) { return k == "Software"; }), keys.end());
}

TYPED_TEST(AccessKeys, HaveSubkeyTellsWhetherTheKeyHasAny) {
  this->make_key("with\\child");
  this->make_key("without");
  EXPECT_TRUE(this->acc().HaveSubkey(this->base("with")));
  EXPECT_FALSE(this->acc().HaveSubkey(this->base("without")));
  EXPECT_FALSE(this->acc().HaveSubkey(this->base("missing")));
}

TYPED_TEST(AccessKeys, ListingEndsWhenTheRegistryKeepsFailing) {
  for (const char* name : {"k1", "k2", "k3", "k4"}) this->make_key(std::string("list\\") + name);
  // As for a key deleted while it is listed: every index from 2 on fails.
  this->recorder().fail_enum_keys_from = 2;
  std::vector<std::string> keys;
  EXPECT_EQ(this->acc().EnumKeys(this->base("list"), keys), 2);
  EXPECT_EQ(keys.size(), 2U);
  EXPECT_LT(this->recorder().enum_calls, 10U);

  // An error is still an answer other than "no more items".
  this->recorder().fail_enum_keys_from = 0;
  EXPECT_TRUE(this->acc().HaveSubkey(this->base("list\\k1")));
}

TYPED_TEST(AccessKeys, ANameTooLongForTheBufferIsListedWhole) {
  // 255 characters do not fit the 255-character buffer with its terminator:
  // the registry answers "more data", and the name is read again.
  const std::string longest = std::string(254, 'n') + "Z";
  this->make_key("list\\" + longest);
  this->make_key("list\\short");
  std::vector<std::string> keys;
  EXPECT_EQ(this->acc().EnumKeys(this->base("list"), keys), 2);
  EXPECT_EQ(sorted(keys), (std::vector<std::string>{longest, "short"}));
  // The key below it, whose full path no single call takes, is there too.
  EXPECT_NE(this->acc().CreateKey(this->base("list\\" + longest + "\\" + std::string(255, 'm'))), 0);
  EXPECT_TRUE(this->acc().KeyExists(this->base("list\\" + longest + "\\" + std::string(255, 'm'))));
  EXPECT_EQ(this->acc().EnumKeys(this->base("list\\" + longest), keys), 1);
}

}  // namespace
