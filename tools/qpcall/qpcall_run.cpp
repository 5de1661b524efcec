#include "tools/qpcall/qpcall_run.h"

#include <cstdio>

namespace qpcall {
namespace {

using QPTSoap::Entry;
using QPTSoap::Value;
using QPTSoap::XsdType;

void AppendCodeUnit(char16_t c, std::string& out) {
  switch (c) {
    case u'"': out += "\\\""; return;
    case u'\\': out += "\\\\"; return;
    case u'\n': out += "\\n"; return;
    case u'\r': out += "\\r"; return;
    case u'\t': out += "\\t"; return;
    default: break;
  }
  if (c >= 0x20 && c < 0x7F) {
    out += static_cast<char>(c);
    return;
  }
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
  out += escape;
}

void AppendString(std::u16string_view text, std::string& out) {
  out += '"';
  for (char16_t c : text) AppendCodeUnit(c, out);
  out += '"';
}

// Byte blocks carry UTF-8 text; a byte that does not decode stands as
// U+FFFD, so that the line stays valid JSON.
std::u16string DecodeUtf8(const std::string& bytes) {
  std::u16string out;
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    bool ok = n != 0 && i + n <= bytes.size();
    for (size_t k = 1; ok && k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      ok = (t & 0xC0) == 0x80;
      cp = (cp << 6) | (t & 0x3F);
    }
    static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

void AppendValue(const Entry& entry, const Value& value, bool as_item, std::string& out);

void AppendRecord(const QPTSoap::RecordDescription& record, const Value& value,
                  std::string& out) {
  out += '{';
  for (size_t i = 0; i < record.fields.size() && i < value.fields.size(); ++i) {
    if (i) out += ',';
    out += '"';
    out += record.fields[i].name;  // the tables' names are plain ASCII
    out += "\":";
    AppendValue(record.fields[i], value.fields[i], false, out);
  }
  out += '}';
}

void AppendValue(const Entry& entry, const Value& value, bool as_item, std::string& out) {
  if (entry.array && !as_item) {
    if (!value.items) {
      out += "null";
      return;
    }
    out += '[';
    for (size_t i = 0; i < value.items->size(); ++i) {
      if (i) out += ',';
      AppendValue(entry, (*value.items)[i], true, out);
    }
    out += ']';
    return;
  }
  switch (entry.type) {
    case XsdType::kString:
      if (value.text) AppendString(*value.text, out);
      else out += "null";
      break;
    case XsdType::kBase64Binary:
      if (value.bytes) AppendString(DecodeUtf8(*value.bytes), out);
      else out += "null";
      break;
    case XsdType::kInt:
      out += std::to_string(value.number);
      break;
    case XsdType::kBoolean:
      out += value.flag ? "true" : "false";
      break;
    case XsdType::kRecord:
      AppendRecord(*entry.record, value, out);
      break;
  }
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
    AppendValue(operation.entries[static_cast<size_t>(index)], outs[i].second, false, out);
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
