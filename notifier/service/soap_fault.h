// The service client's last SOAP fault, and its decoding from the body of a
// status-500 answer.
#pragma once

#include <string>

#include "notifier/service/sax_handler.h"

namespace QPTSoap {

enum FaultCode : int {
  kFaultNone = 0,
  kFaultVersionMismatch = 100,
  kFaultMustUnderstand = 200,
  // "Client" faults carry a faultstring meant for the user.
  kFaultClient = 300,
  kFaultServer = 400,
};

struct SoapFault {
  int code = kFaultNone;
  std::u16string faultcode;  // local part, after the first ":"
  std::u16string faultstring;
  std::u16string faultactor;
  std::u16string detail;
};

// Fills a SoapFault from Envelope/Body/Fault; any other element outside the
// four fault fields fails the parse. Only the first run of character data
// inside each field is kept: the text before its first nested element.
class FaultDecoder : public SaxHandler {
 public:
  explicit FaultDecoder(SoapFault& fault) : fault_(fault) {}

  bool StartElement(std::u16string_view ns, std::u16string_view local,
                    const std::vector<SaxAttribute>& attributes) override;
  bool EndElement() override;
  bool Characters(std::u16string_view text) override;

 private:
  enum class Field { kNone, kCode, kString, kActor, kDetail };
  void Store(Field field, std::u16string_view text);
  void Flush();

  SoapFault& fault_;
  int depth_ = 0;
  Field field_ = Field::kNone;
  int field_depth_ = 0;
  unsigned seen_ = 0;  // one bit per field that got its run
  std::u16string run_;
};

}  // namespace QPTSoap
