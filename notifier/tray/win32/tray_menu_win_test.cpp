// The tray menu built from the real resources after the portable model: the
// adapter greys and lists what the model says, and nothing else.
#include "notifier/tray/win32/tray_menu_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "notifier/resources/resource.h"

namespace qptn {
namespace {

struct Item {
  UINT id;
  std::wstring text;
  bool grayed;
  HMENU sub;
  bool checked;
};

std::vector<Item> Items(HMENU menu) {
  std::vector<Item> items;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 128;
    GetMenuItemInfoW(menu, i, TRUE, &info);
    items.push_back({info.wID, text, (info.fState & MFS_GRAYED) != 0, info.hSubMenu,
                     (info.fState & MFS_CHECKED) != 0});
  }
  return items;
}

HINSTANCE Self() { return GetModuleHandleW(nullptr); }

TEST(TrayMenu, AnEmptyModelLeavesTheSixCommandsThePauseLastBeforeExit) {
  qp::UniqueMenu bar = BuildTrayMenu(Self(), TrayMenu{});
  ASSERT_TRUE(bar) << "menu 129 missing, error " << GetLastError();
  const std::vector<Item> items = Items(GetSubMenu(bar.Get(), 0));
  ASSERT_EQ(items.size(), 6u);
  const std::pair<UINT, const wchar_t*> expected[] = {
      {32787, L"Launch Quillpost"},
      {32774, L"&Check Email Now"},
      {32785, L"Show &New Email"},
      {32772, L"&Settings"},
      {32800, L"Pause notifications for 1 hour"},
      {32771, L"E&xit"}};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(items[i].id, expected[i].first) << i;
    EXPECT_EQ(items[i].text, expected[i].second) << i;
    EXPECT_FALSE(items[i].grayed) << i;
    EXPECT_FALSE(items[i].checked) << i;
    EXPECT_EQ(items[i].sub, nullptr) << i;
  }
}

TEST(TrayMenu, ChecksThePauseItemOnlyWhilePaused) {
  for (const bool paused : {false, true}) {
    qp::UniqueMenu bar = BuildTrayMenu(Self(), DecideTrayMenu(true, {}, paused));
    ASSERT_TRUE(bar);
    for (const Item& item : Items(GetSubMenu(bar.Get(), 0))) {
      EXPECT_EQ(item.checked, paused && item.id == kCmdPause) << "item " << item.id;
      if (item.id == kCmdPause) {
        EXPECT_FALSE(item.grayed) << "usable while a check runs";
      }
    }
  }
}

TEST(TrayMenu, GreysTheItemsTheModelNames) {
  const std::vector<unsigned> sets[] = {DecideTrayMenu(true, {}).grayed, {kCmdExit, kCmdLaunch}};
  for (const std::vector<unsigned>& grayed : sets) {
    TrayMenu menu;
    menu.grayed = grayed;
    qp::UniqueMenu bar = BuildTrayMenu(Self(), menu);
    ASSERT_TRUE(bar);
    for (const Item& item : Items(GetSubMenu(bar.Get(), 0))) {
      const bool named = std::find(grayed.begin(), grayed.end(), item.id) != grayed.end();
      EXPECT_EQ(item.grayed, named) << "item " << item.id;
    }
  }
}

TEST(TrayMenu, AccountItemsBecomeTheLaunchSubMenu) {
  for (size_t count : {2u, 3u, 5u}) {
    std::vector<std::u16string> addresses;
    for (size_t i = 0; i < count; ++i) {
      addresses.push_back(u"user" + std::u16string(1, u'0' + i) + u"@x.example");
    }
    qp::UniqueMenu bar = BuildTrayMenu(Self(), DecideTrayMenu(false, addresses));
    ASSERT_TRUE(bar);
    const std::vector<Item> items = Items(GetSubMenu(bar.Get(), 0));
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].text, L"Launch Quillpost");
    ASSERT_NE(items[0].sub, nullptr) << count << " accounts";
    const std::vector<Item> accounts = Items(items[0].sub);
    ASSERT_EQ(accounts.size(), count);
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(accounts[i].id, 32790 + i);
      EXPECT_EQ(accounts[i].text, L"user" + std::wstring(1, L'0' + i) + L"@x.example");
    }
  }
}

TEST(TrayMenu, AccountMenuResourceHasTenPlaceholders) {
  qp::UniqueMenu bar(LoadMenuW(Self(), MAKEINTRESOURCEW(IDR_ACCOUNT_MENU)));
  ASSERT_TRUE(bar);
  wchar_t title[64] = {};
  GetMenuStringW(bar.Get(), 0, title, 64, MF_BYPOSITION);
  EXPECT_STREQ(title, L"Launch Quillpost");
  const std::vector<Item> items = Items(GetSubMenu(bar.Get(), 0));
  ASSERT_EQ(items.size(), 10u);
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(items[i].id, 32790 + i);
    EXPECT_EQ(items[i].text, L"email" + std::wstring(1, L'0' + i));
  }
}

}  // namespace
}  // namespace qptn
