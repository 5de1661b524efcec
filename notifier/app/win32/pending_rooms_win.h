// The popup and the settings dialog as the notifier has them until their own rooms land.
#pragma once

#include <windows.h>

#include "common/win32/window_win.h"
#include "notifier/app/app_platform.h"
#include "notifier/check/check_ports.h"

namespace qptn {

// No popup window yet: every showing is reported finished at once (the
// close notice the main window turns into the hand-off's release), so the
// check's sequence runs through without showing anything.
class ImmediatePopup final : public PopupPort {
 public:
  explicit ImmediatePopup(const qp::Window& owner) : owner_(owner) {}
  void ShowMessage(unsigned, const std::optional<std::u16string>&, QueuedMessage&, bool, bool,
                   bool*, bool*) override {
    Finished();
  }
  void ShowSummary(unsigned) override { Finished(); }
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
