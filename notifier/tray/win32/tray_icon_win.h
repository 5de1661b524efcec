// The notification-area icon. Three threads use it (window, check and
// animation); every operation fills the one shared record and calls the
// shell under one lock, so each is indivisible.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <mutex>

#include "notifier/tray/tray_port.h"

namespace qptn {

class TrayIcon final : public TrayPort {
 public:
  static constexpr UINT kIconUid = 1;

  TrayIcon();
  void Attach(HINSTANCE module, HWND window);

  void Add(int iconId) override;
  void SetIcon(int iconId) override;
  void SetTip(const std::u16string& text) override;
  void Balloon(const std::u16string& text, bool error) override;
  void Remove() override;

 private:
  HICON LoadTrayIcon(int iconId) const;
  // Hands the whole record to the shell; false when it did not take it.
  bool AddLocked();
  // Sends the record's `flags` to the shell, adding the icon again when the
  // shell does not know it.
  void ModifyLocked(UINT flags);

  std::mutex lock_;
  NOTIFYICONDATAW data_;
  HINSTANCE module_ = nullptr;
  bool added_ = false;  // Add was called and Remove not since
};

}  // namespace qptn
