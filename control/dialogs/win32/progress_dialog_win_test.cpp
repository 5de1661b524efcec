// The progress dialog for real, from this program's copy of the control's
// resources, read back from the window's pixels.
#include "control/dialogs/win32/progress_dialog_win.h"

#include <gtest/gtest.h>

#include "control/dialogs/win32/dialog_probe_win.h"
#include "control/object/win32/module_win.h"
#include "resource_ids.h"

namespace gwax {
namespace {

TEST(ProgressDialog, ModelessBarFollowsTheProgress) {
  QPTProgress progress(ModuleInstance(), u"Downloading...", u"steel", IDD_DOWNLOAD_PROGRESS);
  HWND window = progress.ShowModeless(nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(progress.WindowExists());
  wchar_t title[32] = {};
  GetWindowTextW(window, title, 32);
  EXPECT_STREQ(title, L"Quillpost");
  RECT client;
  GetClientRect(window, &client);
  const int half = 6 + (client.right - 12) / 2;
  progress.SetProgress(50, 100);
  EXPECT_EQ(Rgb(PixelAt(window, half - 3, 18)), Rgb(RGB(200, 210, 220))) << "filled half";
  EXPECT_EQ(Rgb(PixelAt(window, half + 3, 18)), Rgb(RGB(255, 255, 255))) << "empty half";
  progress.SetProgress(1, 0);  // a range of 0 must not divide by zero
  EXPECT_EQ(Rgb(PixelAt(window, 10, 18)), Rgb(RGB(255, 255, 255)));
  progress.SetProgress(5000000, 5000000);
  EXPECT_EQ(Rgb(PixelAt(window, client.right - 8, 18)), Rgb(RGB(200, 210, 220)));
  progress.Command(0, 0);
  EXPECT_FALSE(progress.WindowExists());
}

}  // namespace
}  // namespace gwax
