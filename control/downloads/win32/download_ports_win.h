// The download's ports on Windows: the shell's folder browser, the disk's
// free space, WinINet, the file system and the themed dialogs.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "control/dialogs/win32/progress_dialog_win.h"
#include "control/downloads/download_sequence.h"

namespace gwax {

// The user agent the downloads announce.
inline constexpr wchar_t kDownloadAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// Not from a cache, and never into the system's cache either: the user's
// attachments are saved in the folder the user chose and nowhere else.
inline constexpr unsigned long kDownloadFlags = 0x100 /* INTERNET_FLAG_PRAGMA_NOCACHE */ |
                                                0x04000000 /* INTERNET_FLAG_NO_CACHE_WRITE */;

class Win32DownloadPorts : public DownloadPorts {
 public:
  // Dialogs in `theme`, owned by `owner` (the control window, or none).
  Win32DownloadPorts(HINSTANCE module, HWND owner, std::u16string theme);
  ~Win32DownloadPorts() override;

  std::optional<std::u16string> PickFolder(const std::u16string& title) override;
  std::optional<uint64_t> FreeBytes(const std::u16string& root) override;
  bool Exists(const std::u16string& path) override;
  int Message(const std::u16string& text, const std::u16string& caption, int buttons) override;
  std::unique_ptr<Transfer> Open(const std::u16string& address) override;
  std::unique_ptr<FileSink> Create(const std::u16string& path) override;
  void Remove(const std::u16string& path) override;
  void ShowProgress() override;
  bool ProgressShown() override;
  void SetProgress(int32_t done, int32_t range) override;
  void CloseProgress() override;

 private:
  HINSTANCE module_;
  HWND owner_;
  std::u16string theme_;
  std::unique_ptr<QPTProgress> progress_;
};

// Opens `address` with WinINet as the downloads do: a session with
// kDownloadAgent and the system's proxy settings, the address with
// kDownloadFlags. Nothing when either fails.
std::unique_ptr<Transfer> OpenWithWinInet(const std::u16string& address);

}  // namespace gwax
