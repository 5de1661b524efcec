#include "notifier/app/win32/main_window_win.h"

#include <shellapi.h>

#include <vector>

#include "common/win32/wide_win.h"
#include "notifier/app/instance_closer.h"
#include "notifier/tray/tray_port.h"
#include "notifier/tray/win32/tray_menu_win.h"

namespace qptn {

bool MainWindow::CreateMainWindow(const std::u16string& title) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &MainWindow::Procedure;
  wc.hInstance = module_;
  wc.hIcon = LoadIconW(module_, MAKEINTRESOURCEW(kIconApplication));
  wc.hIconSm = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(kIconNoMail), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = kMainWindowClass;
  RegisterClassExW(&wc);
  window_ = CreateWindowExW(0, kMainWindowClass, qp::Wide(title), WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, 0, 20, 20, nullptr, nullptr, module_, this);
  if (startupLock_) {
    startupLock_->Unlock();
    startupLock_ = nullptr;
  }
  if (window_ == nullptr) return false;
  tray_->Attach(module_, window_);
  return true;
}

void MainWindow::InitializeCom() { CoInitialize(nullptr); }

void MainWindow::RegisterTaskbarCreated() {
  taskbarCreatedMsg_ = RegisterWindowMessageW(L"TaskbarCreated");
}

void MainWindow::SetTimer(unsigned id, unsigned milliseconds) {
  ::SetTimer(window_, id, milliseconds, nullptr);
}

void MainWindow::KillTimer(unsigned id) { ::KillTimer(window_, id); }

void MainWindow::PostQuit(int exitCode) { PostQuitMessage(exitCode); }

void MainWindow::ShowTrayMenu(const TrayMenu& menu) { TrackTrayMenu(module_, window_, menu); }

int MainWindow::RunMessageLoop(bool hello) {
  if (hello) app_->Greet();
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->app_ == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->OnMessage(message, wParam, lParam);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      app_->OnCommand(LOWORD(wParam));
      return 0;
    case WM_TIMER:
      app_->OnTimer(static_cast<unsigned>(wParam));
      return 0;
    case kMsgPopupFinished:
      app_->OnPopupFinished();
      return 0;
    case kMsgTrayCallback:
      app_->OnTrayCallback(static_cast<unsigned>(lParam));
      return 0;
    default:
      if (taskbarCreatedMsg_ != 0 && message == taskbarCreatedMsg_) {
        app_->OnTaskbarCreated();
      }
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

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
