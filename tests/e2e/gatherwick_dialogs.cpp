// Test helper run under Wine: shows one of the control's themed dialogs,
// linked in with the control's resources, so that a scenario can
// photograph it, read its accessible tree and work it with the keyboard.
// Prints "ready LEFT TOP RIGHT BOTTOM WINDOW" once the dialog is shown (the
// scenario waits for its colours on the display), then acts on one line of
// standard input and prints how the dialog ended. Usage:
//
//   gatherwick_dialogs msgbox THEME BUTTONS   (BUTTONS 1: OK and Cancel)
//       The line: empty closes the box with Enter released on it, "escape"
//       with Escape; "keyboard" leaves it to the user's keys. Prints
//       "result N" with the box's result, or "result open" when the user
//       did not close it within 60 s (it is then closed with Enter).
//   gatherwick_dialogs progress THEME 207|209
//       Modeless, as a download shows it. Any line ends it as its owner
//       does ("result 0"); ended from the dialog itself (its Cancel button)
//       it prints "result closed" at once.
//   gatherwick_dialogs upload THEME
//       The upload's dialog (209) on its own thread, as a picture upload
//       runs it, with progress reported every 100 ms. Prints "result
//       cancelled" when the user cancels it, or "result ended" when a line
//       came or 60 s passed first (then the uploader ends it).
//
// The threads that show dialogs have COM, as the page's thread has.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "common/win32/com_init_win.h"
#include "common/win32/wide_win.h"
#include "control/dialogs/win32/message_box_win.h"
#include "control/dialogs/win32/progress_dialog_win.h"
#include "control/dialogs/win32/progress_thread_win.h"
#include "control/object/win32/module_win.h"

namespace {

constexpr DWORD kUserTime = 60000;

std::u16string Arg(const wchar_t* text) { return qp::FromWide(text); }

void Ready(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  std::printf("ready %ld %ld %ld %ld 0x%llx\n", r.left, r.top, r.right, r.bottom,
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
  std::fflush(stdout);
}

std::string ReadLine() {
  char line[64] = {};
  if (!std::fgets(line, sizeof(line), stdin)) return std::string();
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// The visible dialog titled "Quillpost"; null when none shows within 10 s.
HWND WaitForDialog() {
  for (int i = 0; i < 200; ++i) {
    HWND window = FindWindowW(L"#32770", L"Quillpost");
    if (window && IsWindowVisible(window)) return window;
    Sleep(50);
  }
  return nullptr;
}

// A line of standard input, read on a thread of its own; Signalled() once
// it came (or the input ended).
class LineReader {
 public:
  LineReader()
      : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), thread_([this] {
          line_ = ReadLine();
          SetEvent(event_);
        }) {}
  ~LineReader() {
    thread_.join();
    CloseHandle(event_);
  }
  HANDLE Event() const { return event_; }
  // Waits for the line; only after Event() is signalled.
  std::string Line() {
    WaitForSingleObject(event_, INFINITE);
    return line_;
  }

 private:
  HANDLE event_;
  std::string line_;
  std::thread thread_;
};

int MessageBoxRun(const std::u16string& theme, int buttons) {
  int result = 0;
  HANDLE closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread box([&] {
    qp::ComInitialization com;
    result = gwax::ShowThemedMessage(
        nullptr,
        buttons == 1 ? u"The file 'report.pdf' already exists. Press OK to overwrite the existing file."
                     : u"Not enough disk space.",
        buttons == 1 ? u"Warning" : u"Quillpost", buttons, theme);
    SetEvent(closed);
  });
  HWND window = WaitForDialog();
  if (!window) {
    std::printf("no dialog\n");
    box.detach();
    return 1;
  }
  Ready(window);
  const std::string line = ReadLine();
  bool open = false;
  if (line == "keyboard") {
    open = WaitForSingleObject(closed, kUserTime) != WAIT_OBJECT_0;
    if (open) PostMessageW(window, WM_KEYUP, VK_RETURN, 0);
  } else {
    PostMessageW(window, WM_KEYUP, line == "escape" ? VK_ESCAPE : VK_RETURN, 0);
  }
  box.join();
  CloseHandle(closed);
  if (open) {
    std::printf("result open\n");
  } else {
    std::printf("result %d\n", result);
  }
  return 0;
}

int ProgressRun(const std::u16string& theme, int templateId) {
  const bool upload = templateId == 209;
  gwax::QPTProgress progress(gwax::ModuleInstance(),
                             upload ? u"Uploading picture holiday.jpg..." : u"Downloading...",
                             theme, templateId);
  HWND window = progress.ShowModeless(nullptr);
  if (!window) {
    std::printf("no dialog\n");
    return 1;
  }
  progress.SetProgress(upload ? 35 : 62, 100);
  LineReader line;
  HANDLE event = line.Event();
  bool readySent = false;
  const DWORD start = GetTickCount();
  while (progress.WindowExists()) {
    const DWORD wait = MsgWaitForMultipleObjects(1, &event, FALSE, 100, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageW(window, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    if (!readySent && GetTickCount() - start > 300) {
      progress.SetProgress(upload ? 35 : 62, 100);
      Ready(window);
      readySent = true;
    }
  }
  if (!progress.WindowExists()) {
    std::printf("result closed\n");
    std::fflush(stdout);
    // The scenario still sends its line; the reader waits for it.
    line.Line();
    return 0;
  }
  progress.Command(0, 0);
  std::printf("result %d\n", progress.WindowExists() ? 1 : 0);
  return 0;
}

int UploadRun(const std::u16string& theme) {
  gwax::ProgressThread thread(gwax::ModuleInstance(), u"Uploading image data...", theme);
  gwax::Feedback* feedback = thread.feedback();
  HWND window = feedback ? WaitForDialog() : nullptr;
  if (!window) {
    std::printf("no dialog\n");
    return 1;
  }
  // What a picture upload reports: a new text, shown with the progress.
  feedback->SetText(u"Uploading picture 2 of 3...");
  feedback->SetProgress(40, 100);
  Ready(window);
  LineReader line;
  const DWORD start = GetTickCount();
  int32_t done = 40;
  while (!feedback->IsCancelled() && GetTickCount() - start < kUserTime &&
         WaitForSingleObject(line.Event(), 100) == WAIT_TIMEOUT) {
    done = done >= 90 ? 40 : done + 1;
    feedback->SetProgress(done, 100);
  }
  std::printf("result %s\n", feedback->IsCancelled() ? "cancelled" : "ended");
  std::fflush(stdout);
  line.Line();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  qp::ComInitialization com;
  if (argc == 4 && std::wcscmp(argv[1], L"msgbox") == 0) {
    return MessageBoxRun(Arg(argv[2]), _wtoi(argv[3]));
  }
  if (argc == 4 && std::wcscmp(argv[1], L"progress") == 0) {
    return ProgressRun(Arg(argv[2]), _wtoi(argv[3]));
  }
  if (argc == 3 && std::wcscmp(argv[1], L"upload") == 0) {
    return UploadRun(Arg(argv[2]));
  }
  std::fprintf(stderr,
               "usage: gatherwick_dialogs msgbox THEME BUTTONS | progress THEME 207|209 | "
               "upload THEME\n");
  return 2;
}
