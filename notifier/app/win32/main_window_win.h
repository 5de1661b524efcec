// The Win32 side of the application object: the hidden main window of class
// "QPTN" and its message loop. It translates messages into calls on the
// application and decides nothing itself.
#pragma once

#include <windows.h>

#include "common/win32/handle_win.h"
#include "common/win32/window_win.h"
#include "notifier/app/app_platform.h"
#include "notifier/app/qptn_app.h"
#include "notifier/popup/win32/notice_window_win.h"
#include "notifier/tray/win32/tray_icon_win.h"

namespace qptn {

inline constexpr wchar_t kMainWindowClass[] = L"QPTN";

class MainWindow final : public qp::Window, public AppPlatform {
 public:
  // The tray icon is given the window as soon as it exists.
  void Bind(QptnT& app, HINSTANCE module, TrayIcon& tray, NoticeWindow& popup) {
    app_ = &app;
    module_ = module;
    tray_ = &tray;
    popup_ = &popup;
  }
  // Start-up holds this lock from closing older instances until its own
  // window exists, so instances started together end with exactly one.
  void ReleaseOnWindow(qp::MutexLock* lock) { startupLock_ = lock; }

  bool CreateMainWindow(const std::u16string& title) override;
  void InitializeCom() override;
  void RegisterTaskbarCreated() override;
  void CreatePopup(bool hideLogo) override;
  void SetTimer(unsigned id, unsigned milliseconds) override;
  void KillTimer(unsigned id) override;
  void PostTimer(unsigned id, unsigned milliseconds) override;
  void PostQuit(int exitCode) override;
  void ShowTrayMenu(const TrayMenu& menu) override;

  // Runs until the quit message and returns its exit code.
  int RunMessageLoop(bool hello);

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  QptnT* app_ = nullptr;
  TrayIcon* tray_ = nullptr;
  NoticeWindow* popup_ = nullptr;
  HINSTANCE module_ = nullptr;
  UINT taskbarCreatedMsg_ = 0;
  qp::MutexLock* startupLock_ = nullptr;
};

}  // namespace qptn
