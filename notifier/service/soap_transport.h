// What the service client needs from its transport and XML reader. The
// client class takes it as a policy (TClient) with these members:
//
//   int32_t EnsureReader();
//       Creates the XML reader on first use and keeps it; a negative code
//       when it cannot be created.
//   void BeginCall();
//       Closes the request of the previous call, if any.
//   SendResult Send(std::u16string_view action_line, std::string_view body);
//       Posts `body` with the SOAPAction header line (ending in CR LF) and
//       the XML content type; connects first when there is no connection.
//   bool ParseResponse(SaxHandler& handler);
//       Feeds the body of the answer just received to `handler` through the
//       kept reader; false on a read or XML error or when `handler` stopped.
//   bool ParseFault(SaxHandler& handler);
//       The same, through a reader made for this one parse.
//   bool SetEndpoint(std::u16string_view address);
//       Closes every handle and takes a new address; false, leaving no
//       usable address, when it cannot be parsed.
#pragma once

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

}  // namespace QPTSoap
