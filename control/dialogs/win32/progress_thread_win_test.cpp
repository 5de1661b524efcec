// The upload's progress dialog on its own thread, as the uploader sees it.
#include "control/dialogs/win32/progress_thread_win.h"

#include <gtest/gtest.h>

#include "common/win32/com_init_win.h"
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

// Waits until `window`'s element describes itself with `text`.
bool DescribedAs(HWND window, const std::wstring& text) {
  for (int i = 0; i < 300; ++i) {
    if (AccessibleFactsOf(window).description == text) return true;
    Sleep(50);
  }
  return false;
}

TEST(ProgressThread, KeyboardAndScreenReaders) {
  qp::ComInitialization com;
  for (WPARAM key : {VK_RETURN, VK_SPACE, VK_ESCAPE}) {
    ProgressThread thread(ModuleInstance(), u"Uploading picture...", u"pink");
    Feedback* feedback = thread.feedback();
    ASSERT_NE(feedback, nullptr);
    HWND window = FindDialog();
    ASSERT_NE(window, nullptr);
    // Named by its title, described by the text it shows; a new text shows,
    // and is told, with the next progress.
    const Facts facts = AccessibleFactsOf(window);
    EXPECT_EQ(facts.name, L"Quillpost");
    EXPECT_EQ(facts.role, ROLE_SYSTEM_DIALOG);
    EXPECT_TRUE(DescribedAs(window, L"Uploading picture..."))
        << AccessibleFactsOf(window).description;
    feedback->SetText(u"Uploading picture 2 of 3...");
    feedback->SetProgress(50, 100);
    EXPECT_TRUE(DescribedAs(window, L"Uploading picture 2 of 3..."))
        << AccessibleFactsOf(window).description;
    // Cancel has the focus; the key goes to it as the keyboard's would.
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    HWND cancel = GetDlgItem(window, IDCANCEL);
    for (int i = 0; i < 300; ++i) {
      GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
      if (info.hwndFocus == cancel) break;
      Sleep(50);
    }
    ASSERT_EQ(info.hwndFocus, cancel) << "key " << key;
    PostMessageW(cancel, WM_KEYDOWN, key, 1);
    PostMessageW(cancel, WM_KEYUP, key, 0xC0000001);
    for (int i = 0; i < 300 && !feedback->IsCancelled(); ++i) Sleep(50);
    EXPECT_TRUE(feedback->IsCancelled()) << "key " << key;
  }
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
