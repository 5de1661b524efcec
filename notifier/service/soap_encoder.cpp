#include "notifier/service/soap_encoder.h"

#include <cstdio>

namespace QPTSoap {
namespace {

constexpr char kEnvelopeStart[] =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
    " xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">";
constexpr char kBodyStart[] =
    "<soap:Body soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">";
constexpr char kEnd[] = "</soap:Body></soap:Envelope>";

const char* XsdName(XsdType type) {
  switch (type) {
    case XsdType::kString: return "string";
    case XsdType::kInt: return "int";
    case XsdType::kBoolean: return "boolean";
    case XsdType::kBase64Binary: return "base64Binary";
    case XsdType::kRecord: return nullptr;
  }
  return nullptr;
}

bool IsCount(const OperationDescription& op, size_t index) {
  for (const Entry& e : op.entries) {
    if (e.array && e.count_index == static_cast<int>(index)) return true;
  }
  return false;
}

void Nil(const char* name, std::string& out) {
  out += '<';
  out += name;
  out += " xsi:nil=\"1\"/>";
}

bool WriteEntry(const Entry& entry, const Value& value, std::string& out);

bool WriteRecordFields(const RecordDescription& record, const Value& value,
                       std::string& out) {
  if (value.type != XsdType::kRecord ||
      value.fields.size() != record.fields.size()) {
    return false;
  }
  for (size_t i = 0; i < record.fields.size(); ++i) {
    if (!WriteEntry(record.fields[i], value.fields[i], out)) return false;
  }
  return true;
}

bool WriteSimple(const char* name, XsdType type, const Value& value,
                 std::string& out) {
  if (value.type != type) return false;
  switch (type) {
    case XsdType::kString:
      if (!value.text) {
        Nil(name, out);
        return true;
      }
      out += '<'; out += name; out += '>';
      AppendEscaped(*value.text, out);
      break;
    case XsdType::kInt:
      out += '<'; out += name; out += '>';
      out += std::to_string(value.number);
      break;
    case XsdType::kBoolean:
      out += '<'; out += name; out += '>';
      out += value.flag ? "true" : "false";
      break;
    default:
      // No byte block is ever sent.
      return false;
  }
  out += "</"; out += name; out += '>';
  return true;
}

bool WriteArray(const Entry& entry, const Value& value, std::string& out) {
  if (!value.items) {
    Nil(entry.name, out);
    return true;
  }
  const std::string size = "[" + std::to_string(value.items->size()) + "]";
  out += '<';
  out += entry.name;
  if (entry.type == XsdType::kRecord) {
    out += " xmlns:q1=\"";
    out += QPTSoapNS::kNamespace;
    out += "\" soapenc:arrayType=\"q1:";
    out += entry.record->name;
  } else {
    out += " soapenc:arrayType=\"xsd:";
    out += XsdName(entry.type);
  }
  out += size;
  out += "\">";
  for (const Value& item : *value.items) {
    if (entry.type == XsdType::kRecord) {
      const std::string tag = std::string("snp:") + entry.record->name;
      out += '<'; out += tag; out += '>';
      if (!WriteRecordFields(*entry.record, item, out)) return false;
      out += "</"; out += tag; out += '>';
    } else if (entry.type == XsdType::kString && !item.text) {
      if (item.type != XsdType::kString) return false;
      out += "<string xsi:nil=\"1\"></string>";
    } else if (!WriteSimple(XsdName(entry.type), entry.type, item, out)) {
      return false;
    }
  }
  out += "</"; out += entry.name; out += '>';
  return true;
}

bool WriteEntry(const Entry& entry, const Value& value, std::string& out) {
  if (entry.array) return WriteArray(entry, value, out);
  if (entry.type == XsdType::kRecord) {
    out += '<'; out += entry.name; out += '>';
    if (!WriteRecordFields(*entry.record, value, out)) return false;
    out += "</"; out += entry.name; out += '>';
    return true;
  }
  return WriteSimple(entry.name, entry.type, value, out);
}

}  // namespace

void AppendEscaped(const std::u16string& text, std::string& out) {
  char ref[16];
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'&') {
      out += "&amp;";
    } else if (c == u'<') {
      out += "&lt;";
    } else if (c == u'>') {
      out += "&gt;";
    } else if (c >= 0x20 && c <= 0x7E) {
      out += static_cast<char>(c);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
               text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      const unsigned cp =
          0x10000u + ((c - 0xD800u) << 10) + (text[i + 1] - 0xDC00u);
      std::snprintf(ref, sizeof ref, "&#x%06X;", cp);
      out += ref;
      ++i;
    } else {
      std::snprintf(ref, sizeof ref, "&#x%04X;", static_cast<unsigned>(c));
      out += ref;
    }
  }
}

bool EncodeRequest(const OperationDescription& op,
                   const std::vector<Value>& in_values, std::string& out) {
  std::string body = kEnvelopeStart;
  body += kBodyStart;
  body += "<snp:";
  body += op.name;
  body += " xmlns:snp=\"";
  body += QPTSoapNS::kNamespace;
  body += "\">";
  size_t next = 0;
  for (size_t i = 0; i < op.entries.size(); ++i) {
    const Entry& entry = op.entries[i];
    if (entry.direction == Direction::kOut || IsCount(op, i)) continue;
    if (next >= in_values.size()) return false;
    if (!WriteEntry(entry, in_values[next++], body)) return false;
  }
  if (next != in_values.size()) return false;
  body += "</snp:";
  body += op.name;
  body += '>';
  body += kEnd;
  out += body;
  return true;
}

}  // namespace QPTSoap
