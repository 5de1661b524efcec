#include "notifier/check/check_settings.h"

#include <gtest/gtest.h>

#include "common/memory_registry.h"
#include "notifier/settings/settings.h"

namespace qptn {
namespace {

TEST(CheckSettings, LoadedInTheUnitsTheCheckUses) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char16_t*, uint32_t>> stored;
    bool internal;
    CheckSettings expected;
  };
  const Case cases[] = {
      {"fresh profile", {}, false, {600000, 5, true, 4000}},
      {"stored values", {{u"freq", 30}, {u"showLimit", 12}, {u"sound", 0}, {u"show", 9}}, false,
       {1800000, 12, false, 9000}},
      {"clamped", {{u"freq", 1}, {u"showLimit", 0}, {u"show", 31}}, false, {300000, 1, true, 30000}},
      {"own domain checks more often", {{u"freq", 1}}, true, {120000, 5, true, 4000}},
  };
  for (const Case& c : cases) {
    qp::MemoryRegistry registry;
    for (const auto& [name, value] : c.stored) registry.PutDword(kSettingsKey, name, value);
    setting_base::UseRegistry(&registry);
    const CheckSettings got = LoadCheckSettings(c.internal);
    setting_base::UseRegistry(nullptr);
    EXPECT_EQ(got.intervalMs, c.expected.intervalMs) << c.what;
    EXPECT_EQ(got.showLimit, c.expected.showLimit) << c.what;
    EXPECT_EQ(got.sound, c.expected.sound) << c.what;
    EXPECT_EQ(got.popupDisplayMs, c.expected.popupDisplayMs) << c.what;
    EXPECT_EQ(registry.ValueNames(kSettingsKey).size(), 4u) << c.what << ": each is written back";
  }
}

}  // namespace
}  // namespace qptn
