// The service client's transport and reader on Windows: WinINet for the
// HTTP exchange, the system's SAX reader for the answers (a Transport, see
// soap_transport.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "common/win32/wininet_win.h"
#include "notifier/service/sax_handler.h"
#include "notifier/service/soap_transport.h"
#include "notifier/service/win32/msxml_reader_win.h"
#include "notifier/service/win32/stream_object_win.h"

namespace QPTSoap {

// A read-only stream over the body of one answer. Read fails once more than
// `limit` bytes have come, so that no answer grows without bound; every
// other member answers E_NOTIMPL. Created with one reference.
class ResponseStream final : public StreamObject<ResponseStream> {
 public:
  explicit ResponseStream(HINTERNET request, size_t limit = kMaxResponseAllocation)
      : request_(request), limit_(limit) {}

  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override;

 private:
  HINTERNET request_;
  size_t limit_;
  size_t total_ = 0;
};

class WininetClient final : public Transport {
 public:
  // The endpoint, taken apart.
  struct Address {
    bool https = false;
    std::u16string host;
    INTERNET_PORT port = 0;
    std::u16string request_path;  // path and query
  };

  WininetClient() = default;
  WininetClient(const WininetClient&) = delete;
  WininetClient& operator=(const WininetClient&) = delete;

  int32_t EnsureReader() override;
  void BeginCall() override { request_.Reset(); }
  SendResult Send(std::u16string_view action_line, std::string_view body) override;
  bool ParseResponse(SaxHandler& handler) override;
  bool ParseFault(SaxHandler& handler) override;
  bool SetEndpoint(std::u16string_view address) override;

  // Both take effect with the next connection; the notifier sets neither.
  void SetProxy(std::u16string proxy) { proxy_ = std::move(proxy); }
  void SetTimeout(uint32_t milliseconds) { timeout_ = milliseconds; }

  // Null when no usable address is set.
  const Address* address() const { return usable_ ? &address_ : nullptr; }

 private:
  bool Connect();
  void CloseAll();
  bool Parse(MsxmlReader& reader, SaxHandler& handler);

  Address address_;
  bool usable_ = false;  // false when the last address could not be parsed

  std::u16string proxy_;
  uint32_t timeout_ = 0;

  // Released in reverse order: the request before its connection, the
  // connection before the internet handle.
  qp::UniqueInternet internet_;
  qp::UniqueInternet connection_;
  qp::UniqueInternet request_;
  MsxmlReader reader_;
  bool reader_created_ = false;
};

}  // namespace QPTSoap
