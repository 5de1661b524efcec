// The mail check's ports on Windows: its thread, the idle and lock probe, the alert sound and the update's box.
#pragma once

#include <windows.h>

#include <functional>
#include <thread>

#include "common/win32/window_win.h"
#include "notifier/check/check_ports.h"
#include "notifier/check/presence.h"
#include "notifier/check/quiet_gate.h"
#include "notifier/check/update_check.h"

namespace qptn {

// One check at a time on a thread of its own, with COM for the system's SAX
// reader. The thread is joined before the next starts and when this goes.
class CheckThread final : public CheckWorker {
 public:
  CheckThread() = default;
  ~CheckThread() override { Join(); }
  CheckThread(const CheckThread&) = delete;
  CheckThread& operator=(const CheckThread&) = delete;

  bool Start(std::function<void()> body) override;
  void Join() override;

 private:
  std::thread thread_;
};

// The time since the last input, and whether the input desktop is still
// the one this object was made on (it is not while the workstation is
// locked).
class SystemPresence final : public PresenceProbe {
 public:
  SystemPresence() : desktop_(GetThreadDesktop(GetCurrentThreadId())) {}
  PresenceReading Read() override;

 private:
  HDESK desktop_;  // the thread's own desktop: not to be closed
};

// Busy as the system's notifications see it: presenting, a full-screen or
// Direct3D full-screen program or app, quiet time, nobody present. Where the
// system only ever answers "accepts notifications" (Wine, older systems), a
// foreground window of another program that covers its whole monitor, has
// no title bar and is not the desktop or the shell, counts as a full-screen
// program.
class SystemBusy final : public BusyProbe {
 public:
  bool UserBusy() override;
};

class SystemSound final : public SoundPort {
 public:
  void PlayMailBeep() override;
};

// The update's message box and the package's address, both owned by the
// main window.
class UpdateUiWin final : public UpdateUi {
 public:
  explicit UpdateUiWin(const qp::Window& owner) : owner_(owner) {}
  void Announce(const std::u16string& text) override;
  void Open(const std::u16string& address) override;

 private:
  const qp::Window& owner_;
};

}  // namespace qptn
