// The upload's progress dialog on its own thread, as the uploader sees it.
#include "control/dialogs/win32/progress_thread_win.h"

#include <gtest/gtest.h>

#include "control/dialogs/win32/dialog_probe_win.h"
#include "control/object/win32/module_win.h"

namespace gwax {
namespace {

TEST(ProgressThread, CancelButtonCancelsTheUpload) {
  ProgressThread thread(ModuleInstance(), u"Uploading picture...", u"blue");
  Feedback* feedback = thread.feedback();
  ASSERT_NE(feedback, nullptr);
  EXPECT_FALSE(feedback->IsCancelled());
  HWND window = FindDialog();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  feedback->SetText(u"Uploading 2 of 3");
  feedback->SetProgress(30, 100);
  EXPECT_EQ(Rgb(PixelAt(window, 8, 18)), Rgb(RGB(0, 51, 153)));
  HWND cancel = GetDlgItem(window, IDCANCEL);
  ASSERT_NE(cancel, nullptr);
  SendMessageW(cancel, BM_CLICK, 0, 0);
  for (int i = 0; i < 300 && !feedback->IsCancelled(); ++i) Sleep(50);
  EXPECT_TRUE(feedback->IsCancelled());
  // Still safe to call until the owner lets go.
  feedback->SetProgress(40, 100);
}

TEST(ProgressThread, OwnerEndsTheDialogEvenBeforeItShows) {
  for (int i = 0; i < 3; ++i) {
    ProgressThread thread(ModuleInstance(), u"Uploading...", u"green");
    EXPECT_NE(thread.feedback(), nullptr);
  }  // each destructor ends the dialog and waits for its thread
  EXPECT_EQ(FindWindowW(L"#32770", L"Quillpost"), nullptr);
}

}  // namespace
}  // namespace gwax
