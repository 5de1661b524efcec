#include "notifier/tray/win32/tray_icon_win.h"

#include <cwchar>
#include <string>

#include "common/text.h"
#include "common/win32/wide_win.h"
#include "notifier/app/constants.h"

namespace qptn {
namespace {

template <size_t Size>
void CopyCut(wchar_t (&field)[Size], const std::u16string& text) {
  const std::u16string cut = qp::Truncated(text, Size - 1);
  wmemcpy(field, qp::Wide(cut), cut.size());
  field[cut.size()] = L'\0';
}

}  // namespace

TrayIcon::TrayIcon() {
  ZeroMemory(&data_, sizeof data_);
  // The record as the shell defines it up to the balloon flags, no GUID.
  data_.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data_.uID = kIconUid;
}

void TrayIcon::Attach(HINSTANCE module, HWND window) {
  std::lock_guard<std::mutex> lock(lock_);
  module_ = module;
  data_.hWnd = window;
}

HICON TrayIcon::LoadTrayIcon(int iconId) const {
  // The small size, so the shell shows the 16x16 artwork rather than a
  // scaled-down 32x32 one.
  return static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

void TrayIcon::Add(int iconId) {
  std::lock_guard<std::mutex> lock(lock_);
  data_.hIcon = LoadTrayIcon(iconId);
  data_.uCallbackMessage = kMsgTrayCallback;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  CopyCut(data_.szTip, kProductName);
  data_.dwInfoFlags = NIIF_INFO;
  data_.dwState = 0;
  data_.dwStateMask = 0;
  AddLocked();
  added_ = true;
}

bool TrayIcon::AddLocked() {
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  if (!Shell_NotifyIconW(NIM_ADD, &data_)) {
    OutputDebugStringW(L"qptn tray: the shell did not take the icon\n");
    return false;
  }
  data_.uVersion = NOTIFYICON_VERSION;
  Shell_NotifyIconW(NIM_SETVERSION, &data_);
  return true;
}

void TrayIcon::ModifyLocked(UINT flags) {
  data_.uFlags = flags;
  if (Shell_NotifyIconW(NIM_MODIFY, &data_) || !added_) return;
  // The shell does not know the icon: its add failed, or the shell lost it.
  // It comes back whole, with what this change brings.
  if (AddLocked()) {
    data_.uFlags = flags;
    Shell_NotifyIconW(NIM_MODIFY, &data_);
  }
}

void TrayIcon::SetIcon(int iconId) {
  std::lock_guard<std::mutex> lock(lock_);
  data_.hIcon = LoadTrayIcon(iconId);
  ModifyLocked(NIF_ICON);
}

void TrayIcon::SetTip(const std::u16string& text) {
  std::lock_guard<std::mutex> lock(lock_);
  CopyCut(data_.szTip, text);
  ModifyLocked(NIF_TIP);
  // For a debugger: the tip as the icon shows it (counts and states only).
  const std::wstring line = L"qptn tray: tip=" + std::wstring(data_.szTip) + L"\n";
  OutputDebugStringW(line.c_str());
}

void TrayIcon::Balloon(const std::u16string& text, bool error) {
  std::lock_guard<std::mutex> lock(lock_);
  CopyCut(data_.szInfoTitle, kProductName);
  CopyCut(data_.szInfo, text);
  data_.dwInfoFlags = error ? NIIF_ERROR : NIIF_INFO;
  ModifyLocked(NIF_INFO);
}

void TrayIcon::Remove() {
  std::lock_guard<std::mutex> lock(lock_);
  if (!added_) return;
  Shell_NotifyIconW(NIM_DELETE, &data_);
  added_ = false;
}

}  // namespace qptn
