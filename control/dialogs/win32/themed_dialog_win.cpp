#include "control/dialogs/win32/themed_dialog_win.h"

#include <windowsx.h>

#include "common/win32/accessible_win.h"
#include "common/win32/gdi_win.h"
#include "common/win32/wide_win.h"
#include "control/constants.h"

namespace gwax {
namespace {

// Posted at initialisation: the dialog is shown by the time it arrives.
constexpr UINT kShown = WM_APP + 1;

}  // namespace

QPTDlg::QPTDlg(HINSTANCE module, int templateId) : module_(module), templateId_(templateId) {}

INT_PTR QPTDlg::ShowModal(HWND parent) {
  topmost_ = true;
  modal_ = true;
  return RunModal(module_, templateId_, parent);
}

HWND QPTDlg::ShowModeless(HWND parent) {
  modal_ = false;
  return CreateModeless(module_, templateId_, parent);
}

bool QPTDlg::WindowExists() const {
  HWND window = Handle();
  return window != nullptr && IsWindow(window);
}

void QPTDlg::Initialise() {
  SetWindowTextW(Handle(), qp::Wide(kDialogTitle));
  if (topmost_) SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void QPTDlg::AnnounceWhenShown() { PostMessageW(Handle(), kShown, 0, 0); }

void QPTDlg::End(INT_PTR result) {
  HWND window = Handle();
  if (!window) return;
  if (modal_) {
    EndDialog(window, result);
  } else {
    Destroy();
  }
}

INT_PTR QPTDlg::OnInitDialog() {
  Initialise();
  // The focus chosen here, or (true) the dialog manager's choice.
  if (HWND first = FirstFocus()) {
    SetFocus(first);
    return FALSE;
  }
  return TRUE;
}

INT_PTR QPTDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      const qp::Painting painting(Handle());
      Paint(painting.Dc(), painting.Area());
      return TRUE;
    }
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, 1);
      return TRUE;
    }
    case WM_KEYUP:
      KeyReleased(static_cast<unsigned>(wParam));
      return TRUE;
    case WM_COMMAND:
      Command(HIWORD(wParam), LOWORD(wParam));
      return TRUE;
    case WM_LBUTTONDOWN:
      MouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONUP:
      MouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONDBLCLK:
      return TRUE;
    case WM_DRAWITEM:
      return DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    case kShown:
      qp::AnnounceShown(Handle());
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace gwax
