#include "notifier/app/win32/instances_win.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "notifier/app/instance_closer.h"
#include "notifier/app/win32/main_window_win.h"
#include "notifier/tray/tray_menu.h"

namespace qptn {
namespace {

std::vector<uintptr_t> NotifierWindows() {
  std::vector<uintptr_t> found;
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, kMainWindowClass, nullptr)) != nullptr) {
    found.push_back(reinterpret_cast<uintptr_t>(window));
  }
  return found;
}

}  // namespace

void CloseRunningInstances() {
  InstanceCloser closer(kGiveUpOnPeerMs);
  for (;;) {
    const uintptr_t other = closer.Next(NotifierWindows(), GetTickCount64());
    if (other == 0) return;
    // A hung peer answers at once with a failure instead of holding us.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(reinterpret_cast<HWND>(other), WM_COMMAND, kCmdExit, 0, SMTO_ABORTIFHUNG,
                        kExitAnswerMs, &ignored);
    Sleep(kExitRetryMs);
  }
}

void RelaunchWithHello() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  ShellExecuteW(nullptr, L"open", path, L"-Hello", nullptr, SW_SHOWNORMAL);
}

}  // namespace qptn
