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

void SystemSound::PlayMailBeep() { PlaySoundW(L"MailBeep", nullptr, SND_ALIAS | SND_SYNC); }

void UpdateUiWin::Announce(const std::u16string& text) {
  MessageBoxW(owner_.Handle(), qp::Wide(text), qp::Wide(kProductName), MB_OK);
}

void UpdateUiWin::Open(const std::u16string& address) {
  qp::ShellOpenWebAddress(owner_.Handle(), address);
}

}  // namespace qptn
