#include "notifier/tray/tray_menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qptn {
namespace {

TEST(TrayMenuModel, BusyGreysCheckSettingsAndShowNewOnly) {
  EXPECT_TRUE(DecideTrayMenu(false, {}).grayed.empty());
  const std::vector<unsigned> busy = {kCmdCheckNow, kCmdSettings, kCmdShowNew};
  EXPECT_EQ(DecideTrayMenu(true, {}).grayed, busy);
  EXPECT_EQ(DecideTrayMenu(true, {u"a@x.example", u"b@x.example"}).grayed, busy)
      << "Launch and Exit stay enabled, account items too";
}

TEST(TrayMenuModel, ThePauseItemIsCheckedWhilePausedAndNeverGreyed) {
  struct Case {
    bool busy, paused;
    std::vector<unsigned> checked;
  };
  const Case cases[] = {{false, false, {}},
                        {false, true, {kCmdPause}},
                        {true, true, {kCmdPause}},
                        {true, false, {}}};
  for (const Case& c : cases) {
    const TrayMenu menu = DecideTrayMenu(c.busy, {u"a@x.example", u"b@x.example"}, c.paused);
    EXPECT_EQ(menu.checked, c.checked) << c.busy << c.paused;
    EXPECT_EQ(std::count(menu.grayed.begin(), menu.grayed.end(), kCmdPause), 0);
  }
  EXPECT_EQ(kCmdPause, 32800u) << "a new identifier beside the existing ones";
}

TEST(TrayMenuModel, TwoOrMoreAccountsMakeLaunchASubMenuInSlotOrder) {
  const std::vector<std::u16string> all = {u"a@x.example", u"b@x.example", u"c@x.example",
                                           u"d@x.example", u"e@x.example"};
  for (size_t count = 0; count <= all.size(); ++count) {
    const std::vector<std::u16string> loaded(all.begin(), all.begin() + count);
    const TrayMenu menu = DecideTrayMenu(false, loaded);
    if (count < 2) {
      EXPECT_TRUE(menu.accountItems.empty()) << count << " accounts keep Launch a command";
      EXPECT_TRUE(menu.unusedAccountItems.empty()) << count;
      continue;
    }
    ASSERT_EQ(menu.accountItems.size(), count);
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(menu.accountItems[i].id, 32790 + i) << count;
      EXPECT_EQ(menu.accountItems[i].address, all[i]) << count;
    }
    std::vector<unsigned> unused;
    for (unsigned id = 32790 + static_cast<unsigned>(count); id <= 32799; ++id) {
      unused.push_back(id);
    }
    EXPECT_EQ(menu.unusedAccountItems, unused) << count << " accounts";
  }
}

}  // namespace
}  // namespace qptn
