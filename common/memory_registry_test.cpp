#include "common/memory_registry.h"

#include <gtest/gtest.h>

#include "tests/support/registry_contract.h"

namespace qp {
namespace {

struct MemoryEnvironment {
  MemoryRegistry port;
  void Clear() {}
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RegistryContract, MemoryEnvironment);

TEST(MemoryRegistry, CountsTheKeysItHandsOut) {
  MemoryRegistry registry;
  {
    OpenedKey a = registry.CreateKey(RegistryRoot::kCurrentUser, u"x\\y", RegistryAccess::kAll);
    OpenedKey b = registry.OpenKey(RegistryRoot::kCurrentUser, u"X", RegistryAccess::kQueryValues);
    OpenedKey none = registry.OpenKey(RegistryRoot::kLocalMachine, u"x", RegistryAccess::kAll);
    EXPECT_EQ(registry.openKeys, 2);
    EXPECT_EQ(registry.opensTotal, 2) << "a failed open counts as none";
  }
  EXPECT_EQ(registry.openKeys, 0);
  registry.failCreate = true;
  OpenedKey refused = registry.CreateKey(RegistryRoot::kCurrentUser, u"z", RegistryAccess::kAll);
  EXPECT_EQ(refused.status.Code(), RegStatus::kAccessDenied);
  EXPECT_FALSE(registry.HasKey(u"z"));
  EXPECT_EQ(registry.openKeys, 0);
}

}  // namespace
}  // namespace qp
