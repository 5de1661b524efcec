#include "control/downloads/win32/download_ports_win.h"

#include <ole2.h>
#include <shlobj.h>
#include <wininet.h>

#include "common/win32/com_init_win.h"
#include "common/win32/cotaskmem_win.h"
#include "common/win32/handle_win.h"
#include "common/win32/wide_win.h"
#include "common/win32/wininet_win.h"
#include "control/dialogs/win32/message_box_win.h"
#include "control/downloads/download_rules.h"
#include "resource_ids.h"

namespace gwax {
namespace {

// The header spells the flags out: it is included where <wininet.h> can't be.
static_assert(kDownloadFlags == (INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_CACHE_WRITE));

class WinInetTransfer : public Transfer {
 public:
  WinInetTransfer(qp::UniqueInternet session, qp::UniqueInternet request)
      : session_(std::move(session)), request_(std::move(request)) {}

  uint32_t Status() override {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoW(request_.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
      return 0;
    }
    return status;
  }

  // Read as text: the number form of the query stops at 32 bits.
  std::optional<uint64_t> ContentLength() override {
    wchar_t text[32];
    DWORD size = sizeof(text);
    if (!HttpQueryInfoW(request_.Get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) {
      return std::nullopt;
    }
    return ParseContentLength(qp::FromWide(text));
  }

  std::optional<size_t> Read(char* buffer, size_t capacity) override {
    DWORD read = 0;
    if (!InternetReadFile(request_.Get(), buffer, static_cast<DWORD>(capacity), &read)) {
      return std::nullopt;
    }
    return read;
  }

 private:
  qp::UniqueInternet session_;
  qp::UniqueInternet request_;  // closed first
};

class Win32File : public FileSink {
 public:
  explicit Win32File(qp::UniqueHandle file) : file_(std::move(file)) {}

  bool Write(const char* bytes, size_t count) override {
    while (count > 0) {
      DWORD written = 0;
      if (!WriteFile(file_.Get(), bytes, static_cast<DWORD>(count), &written, nullptr) || written == 0) {
        return false;
      }
      bytes += written;
      count -= written;
    }
    return true;
  }

  bool Close() override { return qp::CloseReported(file_); }

 private:
  qp::UniqueHandle file_;
};

}  // namespace

std::unique_ptr<Transfer> OpenWithWinInet(const std::u16string& address) {
  qp::UniqueInternet session(InternetOpenW(kDownloadAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return nullptr;
  qp::UniqueInternet request(InternetOpenUrlW(session.Get(), qp::Wide(address), nullptr, 0,
                                              kDownloadFlags, 0));
  if (!request) return nullptr;
  return std::make_unique<WinInetTransfer>(std::move(session), std::move(request));
}

Win32DownloadPorts::Win32DownloadPorts(HINSTANCE module, HWND owner, std::u16string theme)
    : module_(module), owner_(owner), theme_(std::move(theme)) {}

Win32DownloadPorts::~Win32DownloadPorts() = default;

std::optional<std::u16string> Win32DownloadPorts::PickFolder(const std::u16string& title) {
  qp::OleInitialization ole;  // the folder browser's new style needs OLE
  BROWSEINFOW info{};
  info.lpszTitle = qp::Wide(title);
  info.ulFlags = BIF_NEWDIALOGSTYLE;
  const qp::UniqueCoTaskMem<ITEMIDLIST> item(SHBrowseForFolderW(&info));
  if (!item.Get()) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(item.Get(), path) || path[0] == L'\0') return std::nullopt;
  std::u16string folder = qp::FromWide(path);
  if (folder.back() != u'\\') folder.push_back(u'\\');
  return folder;
}

std::optional<uint64_t> Win32DownloadPorts::FreeBytes(const std::u16string& root) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(qp::Wide(root), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

bool Win32DownloadPorts::Exists(const std::u16string& path) {
  return GetFileAttributesW(qp::Wide(FilePathForm(path))) != INVALID_FILE_ATTRIBUTES;
}

int Win32DownloadPorts::Message(const std::u16string& text, const std::u16string& caption, int buttons) {
  return ShowThemedMessage(owner_, text, caption, buttons, theme_);
}

std::unique_ptr<Transfer> Win32DownloadPorts::Open(const std::u16string& address) {
  return OpenWithWinInet(address);
}

std::unique_ptr<FileSink> Win32DownloadPorts::Create(const std::u16string& path) {
  qp::UniqueHandle file(CreateFileW(qp::Wide(FilePathForm(path)), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32File>(std::move(file));
}

void Win32DownloadPorts::Remove(const std::u16string& path) {
  DeleteFileW(qp::Wide(FilePathForm(path)));
}

void Win32DownloadPorts::ShowProgress() {
  progress_ = std::make_unique<QPTProgress>(module_, u"Downloading...", theme_, IDD_DOWNLOAD_PROGRESS);
  progress_->ShowModeless(owner_);
}

bool Win32DownloadPorts::ProgressShown() { return progress_ && progress_->WindowExists(); }

void Win32DownloadPorts::SetProgress(int32_t done, int32_t range) {
  if (progress_) progress_->SetProgress(done, range);
}

void Win32DownloadPorts::CloseProgress() { progress_.reset(); }

}  // namespace gwax
