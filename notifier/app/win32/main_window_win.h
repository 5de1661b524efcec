// The Win32 side of the application object: the hidden main window of class
// "QPTN", its window procedure, timers and message loop. It translates
// messages into calls on the application and decides nothing itself.
#pragma once

#include <windows.h>

#include "common/win32/handle_win.h"
#include "notifier/app/app_platform.h"
#include "notifier/app/qptn_app.h"
#include "notifier/tray/win32/tray_icon_win.h"

namespace qptn {

inline constexpr wchar_t kMainWindowClass[] = L"QPTN";

class MainWindow final : public AppPlatform {
 public:
  // The tray icon is given the window as soon as it exists.
  void Bind(QptnT& app, HINSTANCE module, TrayIcon& tray) {
    app_ = &app;
    module_ = module;
    tray_ = &tray;
  }
  // Start-up holds this lock from closing older instances until its own
  // window exists, so instances started together end with exactly one.
  void ReleaseOnWindow(qp::MutexLock* lock) { startupLock_ = lock; }

  HWND Handle() const { return window_; }
  HINSTANCE Module() const { return module_; }

  bool CreateMainWindow(const std::u16string& title) override;
  void InitializeCom() override;
  void RegisterTaskbarCreated() override;
  void SetTimer(unsigned id, unsigned milliseconds) override;
  void KillTimer(unsigned id) override;
  void PostQuit(int exitCode) override;
  void ShowTrayMenu(const TrayMenu& menu) override;

  // Runs until the quit message and returns its exit code.
  int RunMessageLoop(bool hello);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  QptnT* app_ = nullptr;
  TrayIcon* tray_ = nullptr;
  HINSTANCE module_ = nullptr;
  HWND window_ = nullptr;
  UINT taskbarCreatedMsg_ = 0;
  qp::MutexLock* startupLock_ = nullptr;
};

// How long a peer may take to answer one Exit command, the pause between
// two rounds, and how long one peer is tried before it is left alone.
inline constexpr unsigned kExitAnswerMs = 5000;
inline constexpr unsigned kExitRetryMs = 400;
inline constexpr unsigned kGiveUpOnPeerMs = 30000;
// The longest a starting instance waits for another one's start-up.
inline constexpr unsigned kStartupLockMs = 90000;

// Sends Exit to every window of class "QPTN" until none is left, or only
// windows that did not go within kGiveUpOnPeerMs.
void CloseRunningInstances();

// Starts this program again through the shell with "-Hello".
void RelaunchWithHello();

}  // namespace qptn
