// Test helper run under Wine: shows one of the control's themed dialogs,
// linked in with the control's resources, so that a scenario can
// photograph it. Prints "ready LEFT TOP RIGHT BOTTOM" once the dialog is
// shown (the scenario waits for its colours on the display), waits for a
// line on standard input, closes the dialog (a message box with Enter, or
// Escape when the line says "escape") and prints "result N". Usage:
//   gatherwick_dialogs msgbox THEME BUTTONS   (BUTTONS 1: OK and Cancel)
//   gatherwick_dialogs progress THEME 207|209
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "common/win32/wide_win.h"
#include "control/dialogs/win32/message_box_win.h"
#include "control/dialogs/win32/progress_dialog_win.h"
#include "control/object/win32/module_win.h"

namespace {

std::u16string Arg(const wchar_t* text) { return qp::FromWide(text); }

void Ready(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  std::printf("ready %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  std::fflush(stdout);
}

std::string ReadLine() {
  char line[64] = {};
  if (!std::fgets(line, sizeof(line), stdin)) return std::string();
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

int MessageBoxRun(const std::u16string& theme, int buttons) {
  int result = 0;
  std::thread box([&] {
    result = gwax::ShowThemedMessage(
        nullptr,
        buttons == 1 ? u"The file 'report.pdf' already exists. Press OK to overwrite the existing file."
                     : u"Not enough disk space.",
        buttons == 1 ? u"Warning" : u"Quillpost", buttons, theme);
  });
  HWND window = nullptr;
  for (int i = 0; i < 200 && !window; ++i) {
    window = FindWindowW(L"#32770", L"Quillpost");
    if (!window) Sleep(50);
  }
  if (!window) {
    std::printf("no dialog\n");
    box.detach();
    return 1;
  }
  Ready(window);
  const std::string line = ReadLine();
  PostMessageW(window, WM_KEYUP, line == "escape" ? VK_ESCAPE : VK_RETURN, 0);
  box.join();
  std::printf("result %d\n", result);
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
  HANDLE line = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread reader([&] {
    ReadLine();
    SetEvent(line);
  });
  bool readySent = false;
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD wait = MsgWaitForMultipleObjects(1, &line, FALSE, 100, QS_ALLINPUT);
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
  reader.join();
  CloseHandle(line);
  progress.Command(0, 0);
  std::printf("result %d\n", progress.WindowExists() ? 1 : 0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wcscmp(argv[1], L"msgbox") == 0) {
    return MessageBoxRun(Arg(argv[2]), _wtoi(argv[3]));
  }
  if (argc == 4 && std::wcscmp(argv[1], L"progress") == 0) {
    return ProgressRun(Arg(argv[2]), _wtoi(argv[3]));
  }
  std::fprintf(stderr, "usage: gatherwick_dialogs msgbox THEME BUTTONS | progress THEME 207|209\n");
  return 2;
}
