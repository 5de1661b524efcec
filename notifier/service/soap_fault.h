// The service client's last SOAP fault.
#pragma once

#include <string>

namespace QPTSoap {

// Fault codes as numbers: "Client" faults carry a faultstring meant for the
// user.
enum FaultCode : int {
  kFaultNone = 0,
  kFaultClient = 300,
};

struct SoapFault {
  int code = kFaultNone;
  std::u16string faultstring;
};

}  // namespace QPTSoap
