#include "common/win32/window_win.h"

namespace qp {
namespace {

// The object bound to a window, or null before binding and after WM_NCDESTROY.
template <typename T>
T* Bound(HWND window) {
  return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

template <typename T>
void Bind(HWND window, T* object) {
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}

// Destroys a window that its object outlives no more, without letting its
// last messages reach the object being destroyed.
void DestroyUnbound(HWND window) {
  if (window == nullptr || !IsWindow(window)) return;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

}  // namespace

Window::~Window() { DestroyUnbound(window_.exchange(nullptr)); }

bool Window::RegisterClass(WNDCLASSEXW wc) {
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Window::Thunk;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND Window::Create(DWORD exStyle, const wchar_t* windowClass, const wchar_t* title, DWORD style,
                    int x, int y, int width, int height, HWND parent, HINSTANCE module) {
  return CreateWindowExW(exStyle, windowClass, title, style, x, y, width, height, parent, nullptr,
                         module, this);
}

void Window::Destroy() {
  if (HWND window = window_) DestroyWindow(window);
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self != nullptr) {
      Bind(window, self);
      self->window_ = window;
    }
  }
  Window* self = Bound<Window>(window);
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    Bind<Window>(window, nullptr);
    self->window_ = nullptr;
    self->OnDestroyed();
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->OnMessage(message, wParam, lParam);
}

Dialog::~Dialog() { DestroyUnbound(window_.exchange(nullptr)); }

INT_PTR Dialog::RunModal(HINSTANCE module, int templateId, HWND parent) {
  return DialogBoxParamW(module, MAKEINTRESOURCEW(templateId), parent, &Dialog::Thunk,
                         reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(HINSTANCE module, int templateId, HWND parent) {
  return CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), parent, &Dialog::Thunk,
                            reinterpret_cast<LPARAM>(this));
}

void Dialog::Destroy() {
  if (HWND window = window_) DestroyWindow(window);
}

INT_PTR CALLBACK Dialog::Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lParam);
    if (self == nullptr) return FALSE;
    Bind(window, self);
    self->window_ = window;
    return self->OnInitDialog();
  }
  Dialog* self = Bound<Dialog>(window);
  if (self == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    Bind<Dialog>(window, nullptr);
    self->window_ = nullptr;
    self->OnDestroyed();
    return FALSE;
  }
  return self->OnMessage(message, wParam, lParam);
}

}  // namespace qp
