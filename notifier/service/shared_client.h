// The one service client of the running notifier, shared by its threads one call at a time.
#pragma once

#include <cstdint>
#include <mutex>
#include <utility>

#include "common/hresult.h"
#include "notifier/service/soap_client.h"

namespace QPTSoap {

// The client over whatever transport the platform gives.
using ServiceClient = CQPTSoapT<Transport&>;

// What one call came to: its result code and, when it failed with a fault,
// that fault (the client's LastFault of this very call).
struct CallOutcome {
  int32_t code = qp::kEFail;
  SoapFault fault;
  bool Ok() const { return qp::Succeeded(code); }
};

// The client is made for one call at a time, and the check thread and the
// window thread both call the service. Every call goes through Run, which
// holds one lock for the call and for reading its fault, so calls never
// overlap and no call sees another's fault.
class SharedClient {
 public:
  explicit SharedClient(ServiceClient& client) : client_(client) {}
  SharedClient(const SharedClient&) = delete;
  SharedClient& operator=(const SharedClient&) = delete;

  // `call(client)` makes one call and returns its result code.
  template <typename Call>
  CallOutcome Run(Call&& call) {
    std::lock_guard<std::mutex> lock(mutex_);
    CallOutcome outcome;
    outcome.code = std::forward<Call>(call)(client_);
    if (!outcome.Ok()) outcome.fault = client_.LastFault();
    return outcome;
  }

  // Not a call: the address the next calls go to.
  int32_t SetEndpoint(std::u16string_view address) {
    std::lock_guard<std::mutex> lock(mutex_);
    return client_.SetEndpoint(address);
  }

 private:
  ServiceClient& client_;
  std::mutex mutex_;
};

}  // namespace QPTSoap
