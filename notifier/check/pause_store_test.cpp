// The end of a pause in the settings key: read back after a restart, and
// nothing else of the key touched.
#include "notifier/check/pause_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/memory_registry.h"
#include "notifier/settings/settings.h"

namespace qptn {
namespace {

TEST(RegistryPauseStore, ReadsOnlyAFourByteDword) {
  struct Case {
    const char* name;
    qp::RegType type;
    std::string bytes;  // empty with kNone: no value at all
    int64_t read;
  };
  const Case cases[] = {
      {"missing", qp::RegType::kNone, "", 0},
      {"a dword", qp::RegType::kDword, std::string("\x10\x32\x54\x76", 4), 0x76543210},
      {"a dword of 0", qp::RegType::kDword, std::string(4, '\0'), 0},
      {"text", qp::RegType::kString, std::string("1\0\0\0", 4), 0},
      {"two bytes", qp::RegType::kDword, std::string("\x01\x02", 2), 0},
      {"eight bytes", qp::RegType::kBinary, std::string(8, '\x01'), 0},
  };
  for (const Case& c : cases) {
    qp::MemoryRegistry registry;
    registry.PutString(kSettingsKey, u"host", u"127.0.0.1:1");
    if (c.type != qp::RegType::kNone) registry.Put(kSettingsKey, kPauseUntilValue, c.type, c.bytes);
    RegistryPauseStore store(registry);
    EXPECT_EQ(store.Load(), c.read) << c.name;
    EXPECT_EQ(registry.openKeys, 0) << c.name;
  }
  qp::MemoryRegistry empty;
  EXPECT_EQ(RegistryPauseStore(empty).Load(), 0) << "no settings key";
}

TEST(RegistryPauseStore, WritesTheEndAndDeletesItOnResumeLeavingTheRestAsItWas) {
  qp::MemoryRegistry registry;
  registry.PutString(kSettingsKey, u"host", u"127.0.0.1:1");
  registry.PutDword(kSettingsKey, u"show", 4);
  const std::vector<std::u16string> before = registry.ValueNames(kSettingsKey);
  RegistryPauseStore store(registry);

  store.Save(1'700'003'600);
  EXPECT_EQ(registry.FindDword(kSettingsKey, kPauseUntilValue), 1'700'003'600u);
  EXPECT_EQ(registry.Find(kSettingsKey, kPauseUntilValue)->type, qp::RegType::kDword);
  EXPECT_EQ(RegistryPauseStore(registry).Load(), 1'700'003'600) << "a new run reads it";
  EXPECT_EQ(registry.ValueNames(kSettingsKey).size(), before.size() + 1);

  store.Save(0);
  EXPECT_FALSE(registry.Find(kSettingsKey, kPauseUntilValue));
  EXPECT_EQ(registry.ValueNames(kSettingsKey), before);
  EXPECT_EQ(registry.FindString(kSettingsKey, u"host"), u"127.0.0.1:1");
  EXPECT_EQ(registry.FindDword(kSettingsKey, u"show"), 4u);
  EXPECT_EQ(registry.openKeys, 0);

  qp::MemoryRegistry none;
  RegistryPauseStore(none).Save(0);
  EXPECT_FALSE(none.HasKey(kSettingsKey)) << "resuming creates no key";
}

}  // namespace
}  // namespace qptn
