#include <windows.h>
#include <winhttp.h>

#include <vector>

#include "bench/win/bare_transfers_win.h"
#include "common/win32/handle_win.h"
#include "common/win32/wide_win.h"
#include "common/win32/winhttp_win.h"

namespace qpbench {

bool BareUpload(const std::u16string& target, const std::u16string& header, const std::string& before,
                const std::u16string& file, const std::string& after) {
  wchar_t host[256] = {};
  wchar_t path[2048] = {};
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  if (!WinHttpCrackUrl(qp::Wide(target), 0, 0, &parts)) return false;
  qp::UniqueHandle input(CreateFileW(qp::Wide(file), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!input || !GetFileSizeEx(input.Get(), &size)) return false;
  qp::UniqueHttp session(WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                     WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return false;
  qp::UniqueHttp connection(WinHttpConnect(session.Get(), host, parts.nPort, 0));
  if (!connection) return false;
  qp::UniqueHttp request(WinHttpOpenRequest(connection.Get(), L"POST", path, nullptr, WINHTTP_NO_REFERER,
                                            WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
  if (!request) return false;
  const DWORD length = static_cast<DWORD>(before.size() + size.QuadPart + after.size());
  if (!WinHttpSendRequest(request.Get(), qp::Wide(header), static_cast<DWORD>(header.size()), WINHTTP_NO_REQUEST_DATA,
                          0, length, 0)) {
    return false;
  }
  DWORD written = 0;
  if (!WinHttpWriteData(request.Get(), before.data(), static_cast<DWORD>(before.size()), &written)) return false;
  std::vector<char> chunk(8192);
  DWORD read = 0;
  while (ReadFile(input.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr) && read > 0) {
    DWORD written = 0;
    if (!WinHttpWriteData(request.Get(), chunk.data(), read, &written) || written != read) return false;
  }
  if (!WinHttpWriteData(request.Get(), after.data(), static_cast<DWORD>(after.size()), &written)) return false;
  if (!WinHttpReceiveResponse(request.Get(), nullptr)) return false;
  char answer[8192];
  return WinHttpReadData(request.Get(), answer, sizeof(answer), &read) != FALSE;
}

}  // namespace qpbench
