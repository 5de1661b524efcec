#include "tools/qpcall/qpcall_run.h"

#include <cstdio>

#include "notifier/service/value_dump.h"

namespace qpcall {
namespace {

using QPTSoap::Entry;
using QPTSoap::Value;
using QPTSoap::XsdType;

// A JSON string through the shared printer.
void AppendString(const std::u16string& text, std::string& out) {
  static const Entry kText{"text", XsdType::kString, nullptr, QPTSoap::Direction::kOut,
                           true, false, -1};
  QPTSoap::DumpValue(kText, Value::String(text), out);
}

std::string Hex(int32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

const char* StageName(QPTSoap::CallStage stage) {
  switch (stage) {
    case QPTSoap::CallStage::kNone: return "call";
    case QPTSoap::CallStage::kReader: return "reader";
    case QPTSoap::CallStage::kEncode: return "encode";
    case QPTSoap::CallStage::kSend: return "send";
    case QPTSoap::CallStage::kFault: return "fault";
    case QPTSoap::CallStage::kDecode: return "decode";
  }
  return "call";
}

}  // namespace

std::string OutValuesJson(const QPTSoap::OperationDescription& operation,
                          const NamedValues& outs) {
  std::string out = "{";
  for (size_t i = 0; i < outs.size(); ++i) {
    const int index = QPTSoap::EntryIndex(operation, outs[i].first);
    if (index < 0) continue;
    if (out.size() > 1) out += ',';
    out += '"';
    out += outs[i].first;
    out += "\":";
    QPTSoap::DumpValue(operation.entries[static_cast<size_t>(index)], outs[i].second, out);
  }
  out += '}';
  return out;
}

std::string FailureJson(int32_t code, QPTSoap::CallStage stage, int status,
                        const QPTSoap::SoapFault& fault) {
  std::string out = "{";
  if (stage == QPTSoap::CallStage::kFault) {
    out += "\"fault\":{\"code\":" + std::to_string(fault.code) + ",\"faultcode\":";
    AppendString(fault.faultcode, out);
    out += ",\"faultstring\":";
    AppendString(fault.faultstring, out);
    out += ",\"faultactor\":";
    AppendString(fault.faultactor, out);
    out += ",\"detail\":";
    AppendString(fault.detail, out);
    out += "},";
  }
  out += "\"error\":{\"hr\":\"" + Hex(code) + "\",\"stage\":\"" + StageName(stage) +
         "\",\"status\":" + std::to_string(status) + "}}";
  return out;
}

}  // namespace qpcall
