// The popup and the settings dialog as the notifier has them until their own rooms land.
#pragma once

#include <windows.h>

#include <cwchar>

#include "common/win32/window_win.h"
#include "notifier/app/app_platform.h"
#include "notifier/check/check_ports.h"

namespace qptn {

// No popup window yet: every showing is reported finished at once (the
// close notice the main window turns into the hand-off's release), so the
// check's sequence runs through without showing anything. Each showing is
// traced for a debugger (account, date and place in the sequence, never
// the text), which is how the scenarios see the hand-off.
class ImmediatePopup final : public PopupPort {
 public:
  explicit ImmediatePopup(const qp::Window& owner) : owner_(owner) {}
  void ShowMessage(unsigned account, const std::optional<std::u16string>&,
                   QueuedMessage& message, bool isFirst, bool isLast, bool*, bool*) override {
    wchar_t line[128];
    swprintf(line, 128, L"qptn popup: message account=%u date=%ld first=%d last=%d\n", account,
             static_cast<long>(message.message.date), isFirst ? 1 : 0, isLast ? 1 : 0);
    OutputDebugStringW(line);
    Finished();
  }
  void ShowSummary(unsigned count) override {
    wchar_t line[64];
    swprintf(line, 64, L"qptn popup: summary count=%u\n", count);
    OutputDebugStringW(line);
    Finished();
  }
  void SetDisplayTime(unsigned) override {}

 private:
  void Finished() { PostMessageW(owner_.Handle(), kMsgPopupFinished, 0, 0); }
  const qp::Window& owner_;
};

// No settings dialog yet: opening it changes nothing.
class NoSettingsDialog final : public SettingsDialogPort {
 public:
  void Run() override {}
};

}  // namespace qptn
