// The tray icon against the shell's notification area of the test desktop.
#include "notifier/tray/win32/tray_icon_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace qptn {
namespace {

bool ShellKnows(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window;
  data.uID = TrayIcon::kIconUid;
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExW(0, L"STATIC", L"tray test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    tray_.Attach(GetModuleHandleW(nullptr), window_);
  }
  void TearDown() override {
    tray_.Remove();
    DestroyWindow(window_);
  }
  HWND window_ = nullptr;
  TrayIcon tray_;
};

TEST_F(TrayIconTest, AddAndRemove) {
  ASSERT_FALSE(ShellKnows(window_));
  tray_.Add(108);
  EXPECT_TRUE(ShellKnows(window_)) << "icon not in the notification area";
  tray_.Remove();
  EXPECT_FALSE(ShellKnows(window_));
  tray_.Remove();  // a second removal is a no-op
  EXPECT_FALSE(ShellKnows(window_));
}

TEST_F(TrayIconTest, ReAddAfterTheShellLostTheIcon) {
  tray_.Add(108);
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window_;
  data.uID = TrayIcon::kIconUid;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  tray_.Add(109);
  EXPECT_TRUE(ShellKnows(window_));
}

// An icon the shell lost (or never took) comes back with the next change,
// whichever it is; a removed one stays away.
TEST_F(TrayIconTest, ComesBackWithTheNextChange) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window_;
  data.uID = TrayIcon::kIconUid;
  const std::function<void()> changes[] = {
      [&] { tray_.SetIcon(109); },
      [&] { tray_.SetTip(u"2 unread messages"); },
      [&] { tray_.Balloon(u"news", false); },
  };
  tray_.Add(108);
  for (const auto& change : changes) {
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    ASSERT_FALSE(ShellKnows(window_));
    change();
    EXPECT_TRUE(ShellKnows(window_));
  }
  tray_.Remove();
  tray_.SetTip(u"after the end");
  EXPECT_FALSE(ShellKnows(window_));
}

TEST_F(TrayIconTest, OversizedTextsAndConcurrentUseKeepTheIcon) {
  tray_.Add(108);
  const std::u16string longTip(500, u'x');
  std::vector<std::thread> threads;
  std::atomic<bool> go{false};
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&, t] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < 100; ++i) {
        switch ((i + t) % 3) {
          case 0: tray_.SetIcon(136 + i % 5); break;
          case 1: tray_.SetTip(longTip); break;
          case 2: tray_.Balloon(longTip, i % 2 == 0); break;
        }
      }
    });
  }
  go = true;
  for (auto& th : threads) th.join();
  EXPECT_TRUE(ShellKnows(window_));
}

}  // namespace
}  // namespace qptn
