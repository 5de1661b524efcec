#include "control/object/win32/control_window_win.h"

#include <atomic>

#include "control/object/win32/module_win.h"

namespace gwax {
namespace {

constexpr wchar_t kWindowClass[] = L"GatherwickAXControl";
std::atomic<bool> g_windowClassRegistered{false};

bool EnsureWindowClass() {
  if (g_windowClassRegistered) return true;
  WNDCLASSEXW wc{};
  wc.hInstance = ModuleInstance();
  wc.lpszClassName = kWindowClass;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  if (qp::Window::RegisterClass(wc)) g_windowClassRegistered = true;
  return g_windowClassRegistered;
}

}  // namespace

bool ControlWindow::Open(HWND parent, const RECT& position) {
  if (!EnsureWindowClass()) return false;
  return Create(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                position.left, position.top, position.right - position.left,
                position.bottom - position.top, parent, ModuleInstance()) != nullptr;
}

void ControlWindow::Close() { Destroy(); }

LRESULT ControlWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // The control shows nothing on the page.
  if (message == WM_ERASEBKGND) return 1;
  return qp::Window::OnMessage(message, wParam, lParam);
}

void ReleaseControlWindowClass() {
  if (g_windowClassRegistered.exchange(false)) UnregisterClassW(kWindowClass, ModuleInstance());
}

}  // namespace gwax
