#include "notifier/app/win32/main_window_win.h"

#include "common/win32/wide_win.h"
#include "notifier/tray/tray_port.h"
#include "notifier/tray/win32/tray_menu_win.h"

namespace qptn {

// A timer another thread asks for (WM_APP + 14): the timer id and its
// period in milliseconds. SetTimer works only on the window's own thread.
constexpr UINT kMsgSetTimer = WM_APP + 14;

static_assert(kMsgPopupFinished == WM_APP + 12, "the popup's message");
static_assert(kMsgTrayCallback == WM_APP + 100, "the tray callback message");
static_assert(kTrayContextMenu == WM_CONTEXTMENU && kTrayLeftDown == WM_LBUTTONDOWN &&
                  kTrayLeftDouble == WM_LBUTTONDBLCLK && kTrayRightUp == WM_RBUTTONUP,
              "the tray callback's notifications are the mouse messages");

bool MainWindow::CreateMainWindow(const std::u16string& title) {
  WNDCLASSEXW wc{};
  wc.hInstance = module_;
  wc.hIcon = LoadIconW(module_, MAKEINTRESOURCEW(kIconApplication));
  wc.hIconSm = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(kIconNoMail), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = kMainWindowClass;
  RegisterClass(wc);
  HWND window = Create(0, kMainWindowClass, qp::Wide(title), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                       0, 20, 20, nullptr, module_);
  if (startupLock_) {
    startupLock_->Unlock();
    startupLock_ = nullptr;
  }
  if (window == nullptr) return false;
  tray_->Attach(module_, window);
  return true;
}

void MainWindow::InitializeCom() { CoInitialize(nullptr); }

void MainWindow::CreatePopup(bool hideLogo) {
  if (popup_) popup_->Create(module_, Handle(), *app_, hideLogo);
}

void MainWindow::RegisterTaskbarCreated() {
  taskbarCreatedMsg_ = RegisterWindowMessageW(L"TaskbarCreated");
}

void MainWindow::SetTimer(unsigned id, unsigned milliseconds) {
  ::SetTimer(Handle(), id, milliseconds, nullptr);
}

void MainWindow::KillTimer(unsigned id) { ::KillTimer(Handle(), id); }

void MainWindow::PostTimer(unsigned id, unsigned milliseconds) {
  PostMessageW(Handle(), kMsgSetTimer, id, milliseconds);
}

void MainWindow::PostQuit(int exitCode) { PostQuitMessage(exitCode); }

void MainWindow::ShowTrayMenu(const TrayMenu& menu) { TrackTrayMenu(module_, Handle(), menu); }

int MainWindow::RunMessageLoop(bool hello) {
  if (hello) app_->Greet();
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (app_ == nullptr) return Window::OnMessage(message, wParam, lParam);
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
    case kMsgSetTimer:
      ::SetTimer(Handle(), static_cast<UINT_PTR>(wParam), static_cast<UINT>(lParam), nullptr);
      return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETWORKAREA && popup_) popup_->RefreshWorkArea();
      return Window::OnMessage(message, wParam, lParam);
    case kMsgTrayCallback:
      app_->OnTrayCallback(static_cast<unsigned>(lParam));
      return 0;
    default:
      if (taskbarCreatedMsg_ != 0 && message == taskbarCreatedMsg_) app_->OnTaskbarCreated();
      return Window::OnMessage(message, wParam, lParam);
  }
}

}  // namespace qptn
