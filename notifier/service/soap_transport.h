// What the service client needs from its transport and XML reader.
// CQPTSoapT takes it as a policy (TClient): any type with the members of
// Transport below, or Transport& itself, through which the application's one
// client reaches WinINet or a test's fake without being a template.
#pragma once

#include <cstdint>
#include <string_view>

#include "notifier/service/sax_handler.h"

namespace QPTSoap {

enum class SendOutcome {
  kFailed,    // nothing usable came back: no connection, open or send failed
  kFault,     // status 500: the body is a fault
  kResponse,  // any other status, 0 included: the body is decoded as a response
};

struct SendResult {
  SendOutcome outcome = SendOutcome::kFailed;
  int status = 0;  // the HTTP status; 0 when unknown
};

inline SendResult ClassifyStatus(int status) {
  return {status == 500 ? SendOutcome::kFault : SendOutcome::kResponse, status};
}

class Transport {
 public:
  virtual ~Transport() = default;
  // Creates the XML reader on first use and keeps it; a negative code when
  // it cannot be created.
  virtual int32_t EnsureReader() = 0;
  // Closes the request of the previous call, if any.
  virtual void BeginCall() = 0;
  // Posts `body` with the SOAPAction header line (ending in CR LF) and the
  // XML content type; connects first when there is no connection.
  virtual SendResult Send(std::u16string_view action_line, std::string_view body) = 0;
  // Feeds the body of the answer just received to `handler` through the
  // kept reader; false on a read or XML error or when `handler` stopped.
  virtual bool ParseResponse(SaxHandler& handler) = 0;
  // The same, through a reader made for this one parse.
  virtual bool ParseFault(SaxHandler& handler) = 0;
  // Closes every handle and takes a new address; false, leaving no usable
  // address, when it cannot be parsed.
  virtual bool SetEndpoint(std::u16string_view address) = 0;
};

}  // namespace QPTSoap
