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

TEST(MemoryRegistry, ListsKeysInTheCaseFirstWrittenAndRefusesWhatItIsTold) {
  MemoryRegistry registry;
  const RegistryRoot root = RegistryRoot::kClassesRoot;
  registry.PutString(root, u"CLSID\\{AbC}\\InprocServer32", u"ThreadingModel", u"Apartment");
  registry.PutString(root, u"clsid\\{abc}", nullptr, u"Class");
  registry.Put(root, u"CLSID\\{abc}\\Bits", u"n", RegType::kDword, std::string(4, '\0'));
  registry.PutString(root, u"CLSIDX", nullptr, u"a sibling, not a subkey");
  EXPECT_EQ(registry.Listing(root, u"clsid"),
            (std::vector<std::u16string>{u"CLSID", u"CLSID\\{AbC}", u"CLSID\\{AbC}|=Class",
                                         u"CLSID\\{abc}\\Bits", u"CLSID\\{abc}\\Bits|n=#4",
                                         u"CLSID\\{AbC}\\InprocServer32",
                                         u"CLSID\\{AbC}\\InprocServer32|ThreadingModel=Apartment"}));
  EXPECT_FALSE(registry.HasKey(u"CLSID")) << "another root";

  registry.Refuse(root, u"clsid\\{ABC}");
  EXPECT_EQ(registry.CreateKey(root, u"CLSID\\{abc}", RegistryAccess::kAll).status.Code(),
            RegStatus::kAccessDenied);
  EXPECT_EQ(registry.DeleteTree(root, u"CLSID\\{abc}").Code(), RegStatus::kAccessDenied);
  EXPECT_TRUE(registry.CreateKey(root, u"CLSID\\{abc}\\Other", RegistryAccess::kAll).status.Ok())
      << "only that key is refused";
  EXPECT_TRUE(registry.DeleteTree(root, u"CLSIDX").Ok());
}

}  // namespace
}  // namespace qp
