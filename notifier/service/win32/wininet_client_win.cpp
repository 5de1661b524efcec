#include "notifier/service/win32/wininet_client_win.h"

#include <vector>

#include "common/hresult.h"
#include "common/win32/com_ptr_win.h"
#include "common/win32/wide_win.h"
#include "notifier/service/http_text.h"

namespace QPTSoap {

HRESULT ResponseStream::Read(void* buffer, ULONG size, ULONG* read) {
  if (read) *read = 0;
  if (!buffer && size > 0) return STG_E_INVALIDPOINTER;
  // WinINet may hand out less than asked before the end; fill the buffer
  // so that a short read means the end of the body.
  ULONG filled = 0;
  while (filled < size) {
    DWORD got = 0;
    if (!InternetReadFile(request_, static_cast<char*>(buffer) + filled, size - filled, &got)) {
      return STG_E_READFAULT;
    }
    if (got == 0) break;
    filled += got;
    total_ += got;
    if (total_ > limit_) return STG_E_MEDIUMFULL;
  }
  if (read) *read = filled;
  return filled == size ? S_OK : S_FALSE;
}

int32_t WininetClient::EnsureReader() {
  if (reader_created_) return qp::kOk;
  const HRESULT hr = reader_.Create();
  if (FAILED(hr)) return hr;
  reader_created_ = true;
  return qp::kOk;
}

void WininetClient::CloseAll() {
  request_.Reset();
  connection_.Reset();
  internet_.Reset();
}

bool WininetClient::SetEndpoint(std::u16string_view address) {
  CloseAll();
  usable_ = false;
  const std::u16string escaped = EscapeNonAscii(address);
  DWORD length = 0;
  std::vector<wchar_t> canonical(escaped.size() * 3 + 16);
  for (int attempt = 0; attempt < 2; ++attempt) {
    length = static_cast<DWORD>(canonical.size());
    if (InternetCanonicalizeUrlW(qp::Wide(escaped), canonical.data(), &length, 0)) break;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || attempt == 1) return false;
    canonical.resize(length + 1);
  }
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength =
      parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!InternetCrackUrlW(canonical.data(), length, 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    return false;
  }
  if (!parts.lpszHostName || parts.dwHostNameLength == 0) return false;
  auto text = [](const wchar_t* p, DWORD n) {
    return p ? std::u16string(reinterpret_cast<const char16_t*>(p), n) : std::u16string();
  };
  address_.https = parts.nScheme == INTERNET_SCHEME_HTTPS;
  address_.host = text(parts.lpszHostName, parts.dwHostNameLength);
  address_.port = parts.nPort != 0 ? parts.nPort : DefaultPort(address_.https);
  address_.request_path = text(parts.lpszUrlPath, parts.dwUrlPathLength) +
                          text(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (address_.request_path.empty()) address_.request_path = u"/";
  usable_ = true;
  return true;
}

bool WininetClient::Connect() {
  internet_.Reset(InternetOpenW(
      L"VCSoapClient", proxy_.empty() ? INTERNET_OPEN_TYPE_PRECONFIG : INTERNET_OPEN_TYPE_PROXY,
      proxy_.empty() ? nullptr : qp::Wide(proxy_), nullptr, 0));
  if (!internet_) return false;
  if (timeout_ != 0) {
    DWORD value = timeout_;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_SEND_TIMEOUT}) {
      InternetSetOptionW(internet_.Get(), option, &value, sizeof value);
    }
  }
  connection_.Reset(InternetConnectW(internet_.Get(), qp::Wide(address_.host), address_.port, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection_) {
    internet_.Reset();
    return false;
  }
  return true;
}

SendResult WininetClient::Send(std::u16string_view action_line, std::string_view body) {
  if (!usable_) return {};
  if (!connection_ && !Connect()) return {};
  const std::u16string headers = RequestHeaders(action_line);
  const wchar_t* accept[] = {L"text/*", nullptr};
  DWORD flags = INTERNET_FLAG_NO_UI | INTERNET_FLAG_KEEP_CONNECTION;
  if (address_.https) flags |= INTERNET_FLAG_SECURE;
  request_.Reset(HttpOpenRequestW(connection_.Get(), L"POST", qp::Wide(address_.request_path),
                                  L"HTTP/1.0", nullptr, accept, flags, 0));
  if (!request_) return {};
  if (!HttpSendRequestW(request_.Get(), qp::Wide(headers), static_cast<DWORD>(headers.size()),
                        const_cast<char*>(body.data()), static_cast<DWORD>(body.size()))) {
    return {};
  }
  // The status as text, in a buffer of 255 bytes.
  alignas(wchar_t) BYTE status[255] = {};
  DWORD status_size = sizeof status;
  int code = 0;
  if (HttpQueryInfoW(request_.Get(), HTTP_QUERY_STATUS_CODE, status, &status_size, nullptr)) {
    code = ParseStatusCode(std::u16string_view(reinterpret_cast<const char16_t*>(status),
                                               status_size / sizeof(char16_t)));
  }
  return ClassifyStatus(code);
}

bool WininetClient::Parse(MsxmlReader& reader, SaxHandler& handler) {
  if (!request_) return false;
  auto stream = qp::ComPtr<ResponseStream>::Adopt(new ResponseStream(request_.Get()));
  return reader.Parse(stream.Get(), handler);
}

bool WininetClient::ParseResponse(SaxHandler& handler) {
  return reader_created_ && Parse(reader_, handler);
}

bool WininetClient::ParseFault(SaxHandler& handler) {
  // A reader of its own, so that the kept one never sees a fault's handlers.
  MsxmlReader reader;
  return SUCCEEDED(reader.Create()) && Parse(reader, handler);
}

}  // namespace QPTSoap
