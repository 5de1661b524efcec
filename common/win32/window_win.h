// Windows and dialogs whose messages reach a C++ object. One thunk per kind
// binds the object to its window when the window is made (WM_NCCREATE from
// CreateWindowExW's parameter, WM_INITDIALOG from the dialog functions'
// parameter) and unbinds it at WM_NCDESTROY, the window's last message:
// after that the object's Handle() is null and no message reaches it.
#pragma once

#include <windows.h>

#include <atomic>

#include "common/win32/unique_resource_win.h"

namespace qp {

class Window {
 public:
  Window() = default;
  // Destroys the window if it still exists.
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return window_; }

  // Registers a window class whose procedure is the thunk; `wc` gives
  // everything else. True also when the class exists already.
  static bool RegisterClass(WNDCLASSEXW wc);

 protected:
  // Creates the window with this object bound to it; null on failure.
  HWND Create(DWORD exStyle, const wchar_t* windowClass, const wchar_t* title, DWORD style, int x,
              int y, int width, int height, HWND parent, HINSTANCE module);

  // Destroys the window now, its last messages reaching this object.
  void Destroy();

  // Every message but WM_NCDESTROY; the default is DefWindowProcW.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The window is gone.
  virtual void OnDestroyed() {}

 private:
  static LRESULT CALLBACK Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::atomic<HWND> window_{nullptr};
};

class Dialog {
 public:
  Dialog() = default;
  // Destroys the window if it still exists.
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Read from other threads too (a progress dialog's owner).
  HWND Handle() const { return window_; }

 protected:
  // Runs the template modally; the result of EndDialog, or -1.
  INT_PTR RunModal(HINSTANCE module, int templateId, HWND parent);
  // Creates the template modelessly; null on failure.
  HWND CreateModeless(HINSTANCE module, int templateId, HWND parent);
  // Destroys a modeless dialog now, its last messages reaching this object.
  void Destroy();

  // WM_INITDIALOG, with Handle() already set; the dialog procedure's result.
  virtual INT_PTR OnInitDialog() { return TRUE; }
  // Every later message but WM_NCDESTROY; the dialog procedure's result
  // (FALSE: not handled).
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual void OnDestroyed() {}

 private:
  static INT_PTR CALLBACK Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::atomic<HWND> window_{nullptr};
};

// A window that no object is bound to (a tool window the owner made with
// CreateWindowExW), destroyed with its owner.
struct WindowTraits {
  static HWND Invalid() { return nullptr; }
  static bool IsValid(HWND w) { return w != nullptr; }
  static void Close(HWND w) { DestroyWindow(w); }
};
using UniqueWindow = UniqueResource<HWND, WindowTraits>;

}  // namespace qp
