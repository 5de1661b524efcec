#include "notifier/service/soap_fault.h"

#include <algorithm>

namespace QPTSoap {
namespace {

constexpr std::u16string_view kEnvelopeNs = u"http://schemas.xmlsoap.org/soap/envelope/";

int CodeOf(std::u16string_view local) {
  if (local == u"VersionMismatch") return kFaultVersionMismatch;
  if (local == u"MustUnderstand") return kFaultMustUnderstand;
  if (local == u"Client") return kFaultClient;
  if (local == u"Server") return kFaultServer;
  return kFaultNone;
}

}  // namespace

bool FaultDecoder::StartElement(std::u16string_view ns, std::u16string_view local,
                                const std::vector<SaxAttribute>&) {
  ++depth_;
  if (depth_ > kMaxElementDepth) return false;
  if (field_ != Field::kNone) {  // skipped, but it ends the field's first run
    Flush();
    return true;
  }
  switch (depth_) {
    case 1: return ns == kEnvelopeNs && local == u"Envelope";
    case 2: return ns == kEnvelopeNs && (local == u"Body" || local == u"Header");
    case 3: return ns == kEnvelopeNs && local == u"Fault";
    case 4:
      if (local == u"faultcode") field_ = Field::kCode;
      else if (local == u"faultstring") field_ = Field::kString;
      else if (local == u"faultactor") field_ = Field::kActor;
      else if (local == u"detail") field_ = Field::kDetail;
      else return false;
      field_depth_ = depth_;
      return true;
    default: return false;
  }
}

bool FaultDecoder::EndElement() {
  if (field_ != Field::kNone && depth_ == field_depth_) {
    Flush();
    field_ = Field::kNone;
  }
  --depth_;
  return true;
}

bool FaultDecoder::Characters(std::u16string_view text) {
  if (field_ == Field::kNone) return true;
  const unsigned bit = 1u << static_cast<int>(field_);
  if (seen_ & bit) return true;
  // Readers split one run at entity references and line ends; join them.
  run_.append(text.substr(0, kMaxResponseAllocation / 8 - std::min(run_.size(), kMaxResponseAllocation / 8)));
  return true;
}

void FaultDecoder::Flush() {
  const unsigned bit = 1u << static_cast<int>(field_);
  if ((seen_ & bit) == 0) Store(field_, run_);
  seen_ |= bit;
  run_.clear();
}

void FaultDecoder::Store(Field field, std::u16string_view text) {
  switch (field) {
    case Field::kCode: {
      size_t start = 0;
      while (start < text.size() &&
             (text[start] == u' ' || text[start] == u'\t' ||
              text[start] == u'\r' || text[start] == u'\n')) {
        ++start;
      }
      std::u16string_view code = text.substr(start);
      const size_t colon = code.find(u':');
      if (colon != std::u16string_view::npos) code = code.substr(colon + 1);
      fault_.faultcode = code;
      fault_.code = CodeOf(code);
      break;
    }
    case Field::kString: fault_.faultstring = text; break;
    case Field::kActor: fault_.faultactor = text; break;
    case Field::kDetail: fault_.detail = text; break;
    case Field::kNone: break;
  }
}

}  // namespace QPTSoap
