#include "notifier/check/win32/check_platform_win.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <system_error>

#include "common/win32/com_init_win.h"
#include "common/win32/shell_open_win.h"
#include "common/win32/wide_win.h"
#include "notifier/app/constants.h"

namespace qptn {

bool CheckThread::Start(std::function<void()> body) {
  Join();
  try {
    thread_ = std::thread([body = std::move(body)] {
      // For a debugger: a line as each check starts and one once it has ended.
      OutputDebugStringW(L"qptn check: started\n");
      {
        const qp::ComInitialization com;
        body();
      }
      OutputDebugStringW(L"qptn check: finished\n");
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void CheckThread::Join() {
  if (thread_.joinable()) thread_.join();
}

PresenceReading SystemPresence::Read() {
  PresenceReading reading;
  LASTINPUTINFO input{};
  input.cbSize = sizeof input;
  // The last input first: read the other way round, an input in between
  // would seem to lie in the future. Without an answer the user counts as
  // present.
  const bool known = GetLastInputInfo(&input) != FALSE;
  reading.nowTick = GetTickCount();
  reading.lastInputTick = known ? input.dwTime : reading.nowTick;
  reading.inputElsewhere = desktop_ != nullptr && !SwitchDesktop(desktop_);
  return reading;
}

namespace {

// QUERY_USER_NOTIFICATION_STATE; the headers name the last two only for
// newer targets than this program's.
enum NotificationState : int {
  kNotPresent = 1,
  kBusy = 2,  // a full-screen program
  kDirect3dFullScreen = 3,
  kPresentationMode = 4,
  kAcceptsNotifications = 5,
  kQuietTime = 6,
  kFullScreenApp = 7,
};

bool SystemSaysBusy() {
  QUERY_USER_NOTIFICATION_STATE state{};
  if (FAILED(SHQueryUserNotificationState(&state))) return false;
  switch (static_cast<int>(state)) {
    case kNotPresent:
    case kBusy:
    case kDirect3dFullScreen:
    case kPresentationMode:
    case kQuietTime:
    case kFullScreenApp:
      return true;
    default:
      return false;
  }
}

bool ForegroundCoversItsMonitor() {
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr || foreground == GetDesktopWindow() ||
      foreground == GetShellWindow() || !IsWindowVisible(foreground) || IsIconic(foreground)) {
    return false;
  }
  // A maximized window with a title bar fills a monitor without a taskbar
  // too; full-screen programs, slide shows and videos have none.
  if ((GetWindowLongW(foreground, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(foreground, &process);
  if (process == GetCurrentProcessId()) return false;
  // The window behind the desktop icons.
  wchar_t className[16] = {};
  GetClassNameW(foreground, className, 16);
  if (lstrcmpiW(className, L"WorkerW") == 0 || lstrcmpiW(className, L"Progman") == 0) return false;
  HMONITOR monitor = MonitorFromWindow(foreground, MONITOR_DEFAULTTONULL);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT rect{};
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info) || !GetWindowRect(foreground, &rect)) {
    return false;
  }
  return rect.left <= info.rcMonitor.left && rect.top <= info.rcMonitor.top &&
         rect.right >= info.rcMonitor.right && rect.bottom >= info.rcMonitor.bottom;
}

}  // namespace

bool SystemBusy::UserBusy() { return SystemSaysBusy() || ForegroundCoversItsMonitor(); }

void SystemSound::PlayMailBeep() { PlaySoundW(L"MailBeep", nullptr, SND_ALIAS | SND_SYNC); }

void UpdateUiWin::Announce(const std::u16string& text) {
  MessageBoxW(owner_.Handle(), qp::Wide(text), qp::Wide(kProductName), MB_OK);
}

void UpdateUiWin::Open(const std::u16string& address) {
  qp::ShellOpenWebAddress(owner_.Handle(), address);
}

}  // namespace qptn
