// The registry backends every registry test suite runs on, and a fixture
// with a fresh scratch key.
//
//   template <class B> class MyTest : public telvora_test::RegistryFixture<B> {};
//   TYPED_TEST_SUITE(MyTest, telvora_test::RegistryBackends, telvora_test::BackendNames);
//   TYPED_TEST(MyTest, Something) { this->reg().set_value_ex(this->scratch(), ...); }
//
// The emulated registry runs in both builds, a fresh one for every test; in
// the Windows build advapi32 runs too (Wine's registry, under Wine). The
// scratch key is HKEY_CURRENT_USER\<scratch_path()>, removed with everything
// under it afterwards. On the emulated backend the fixture also fails a test
// that leaves a registry handle open.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_emulated.h"
#ifdef _WIN32
#include "platform/registry_win32.h"
#endif

namespace telvora_test {

struct EmulatedBackend {
  static constexpr const char* name = "Emulated";
  static constexpr bool emulated = true;
  static std::unique_ptr<platform::Registry> make() { return std::make_unique<platform::EmulatedRegistry>(); }
};

#ifdef _WIN32
struct Win32Backend {
  static constexpr const char* name = "Win32";
  static constexpr bool emulated = false;
  static std::unique_ptr<platform::Registry> make() { return std::make_unique<platform::Win32Registry>(); }
};
using RegistryBackends = ::testing::Types<EmulatedBackend, Win32Backend>;
#else
using RegistryBackends = ::testing::Types<EmulatedBackend>;
#endif

// Names the typed tests "Suite/Emulated" and "Suite/Win32".
struct BackendNames {
  template <class Backend>
  static std::string GetName(int) {
    return Backend::name;
  }
};

// Removes root\sub_key and everything below it. 0, or the first failure
// (2 when the key does not exist).
inline long delete_tree(platform::Registry& reg, platform::Hkey root, const std::string& sub_key) {
  platform::Hkey key = 0;
  long rc = reg.open_key_ex(root, sub_key, 0, platform::access::all, &key);
  if (rc != platform::win::success) return rc;
  std::vector<std::string> children;
  for (std::uint32_t i = 0;; ++i) {
    char name[256];
    std::uint32_t len = sizeof name;
    rc = reg.enum_key_ex(key, i, name, &len);
    if (rc != platform::win::success) break;
    children.emplace_back(name, len);
  }
  for (const std::string& child : children) {
    rc = delete_tree(reg, key, child);
    if (rc != platform::win::success) break;
  }
  reg.close_key(key);
  if (rc != platform::win::success && rc != platform::win::no_more_items) return rc;
  return reg.delete_key(root, sub_key);
}

template <class Backend>
class RegistryFixture : public ::testing::Test {
 protected:
  static constexpr const char* scratch_parent = "Software\\TelvoraTest";

  void SetUp() override {
    registry_ = Backend::make();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Kept short: the ANSI functions take sub-key paths of at most 260 characters.
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    if (name.size() > 80) name.resize(80);
    scratch_path_ = std::string(scratch_parent) + "\\" + name;
    delete_tree(*registry_, platform::hkey::current_user, scratch_path_);  // left by an aborted run
    ASSERT_EQ(registry_->create_key_ex(platform::hkey::current_user, scratch_path_, 0, platform::access::all, &scratch_,
                                       nullptr),
              platform::win::success);
  }

  void TearDown() override {
    if (platform::EmulatedRegistry* e = emulated()) {
      e->clear_faults();
      if (check_handles_) {
        EXPECT_EQ(e->open_handles(), 1U) << "a registry handle was left open";
      }
    }
    registry_->close_key(scratch_);
    if (!Backend::emulated) {
      EXPECT_EQ(delete_tree(*registry_, platform::hkey::current_user, scratch_path_), platform::win::success);
      registry_->delete_key(platform::hkey::current_user, scratch_parent);  // refused while others remain
    }
  }

  platform::Registry& reg() { return *registry_; }
  // A handle to the scratch key, opened with full access.
  platform::Hkey scratch() const { return scratch_; }
  // The scratch key's path under HKEY_CURRENT_USER.
  const std::string& scratch_path() const { return scratch_path_; }
  bool is_emulated() const { return Backend::emulated; }
  // The emulated registry's test controls; null on the other backends.
  platform::EmulatedRegistry* emulated() { return dynamic_cast<platform::EmulatedRegistry*>(registry_.get()); }
  // For a test that leaves a handle open on purpose (a failing close).
  void allow_open_handles() { check_handles_ = false; }

 private:
  std::unique_ptr<platform::Registry> registry_;
  platform::Hkey scratch_ = 0;
  std::string scratch_path_;
  bool check_handles_ = true;
};

}  // namespace telvora_test
