#include <windows.h>
#include <wininet.h>

#include "bench/win/bare_transfers_win.h"
#include "common/win32/handle_win.h"
#include "common/win32/wide_win.h"
#include "common/win32/wininet_win.h"
#include "control/downloads/win32/download_ports_win.h"

namespace qpbench {

bool BareDownload(const std::u16string& address, const std::u16string& path) {
  qp::UniqueInternet session(InternetOpenW(gwax::kDownloadAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return false;
  qp::UniqueInternet request(InternetOpenUrlW(session.Get(), qp::Wide(address), nullptr, 0, gwax::kDownloadFlags, 0));
  if (!request) return false;
  qp::UniqueHandle file(CreateFileW(qp::Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
  if (!file) return false;
  char piece[4096];
  DWORD read = 0;
  while (InternetReadFile(request.Get(), piece, sizeof(piece), &read) && read > 0) {
    DWORD written = 0;
    if (!WriteFile(file.Get(), piece, read, &written, nullptr) || written != read) return false;
  }
  return true;
}

}  // namespace qpbench
