// The registry as the system relies on it, run on every backend: the
// emulated registry must answer as advapi32 does.
#include <gtest/gtest.h>

#include "registry_backends.h"

namespace {

using namespace platform;
using telvora_test::BackendNames;
using telvora_test::RegistryBackends;

template <class Backend>
class RegistryConformance : public telvora_test::RegistryFixture<Backend> {};
TYPED_TEST_SUITE(RegistryConformance, RegistryBackends, BackendNames);

TYPED_TEST(RegistryConformance, CreateMakesMissingParents) {
  Registry& reg = this->reg();
  Hkey key = 0;
  ASSERT_EQ(reg.create_key(this->scratch(), "a\\b\\c", &key), win::success);
  EXPECT_EQ(reg.close_key(key), win::success);
  for (const char* path : {"a", "a\\b", "a\\b\\c"}) {
    ASSERT_EQ(reg.open_key_ex(this->scratch(), path, 0, access::read, &key), win::success) << path;
    reg.close_key(key);
  }
}

}  // namespace
