#include "notifier/service/value_dump.h"

#include <cstdio>

namespace QPTSoap {
namespace {

void AppendCodePoint(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendEscape(unsigned unit, std::string& out) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", unit);
  out += buf;
}

// JSON escaping of one code point below 0x80; others pass through.
bool AppendAsciiEscaped(char32_t c, std::string& out) {
  switch (c) {
    case U'"': out += "\\\""; return true;
    case U'\\': out += "\\\\"; return true;
    case U'\n': out += "\\n"; return true;
    case U'\r': out += "\\r"; return true;
    case U'\t': out += "\\t"; return true;
    default:
      if (c < 0x20 || c == 0x7F) {
        AppendEscape(static_cast<unsigned>(c), out);
        return true;
      }
      return false;
  }
}

void AppendJsonString(const std::u16string& s, std::string& out) {
  out += '"';
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      AppendCodePoint(0x10000 + ((c - 0xD800u) << 10) + (s[i + 1] - 0xDC00u), out);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendEscape(c, out);  // no UTF-8 form exists
    } else if (!AppendAsciiEscaped(c, out)) {
      AppendCodePoint(c, out);
    }
  }
  out += '"';
}

// Length of the well-formed UTF-8 sequence at s[i], or 0.
size_t Utf8Sequence(const std::string& s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n;
  char32_t cp, min;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) { n = 2; cp = c & 0x1F; min = 0x80; }
  else if ((c & 0xF0) == 0xE0) { n = 3; cp = c & 0x0F; min = 0x800; }
  else if ((c & 0xF8) == 0xF0) { n = 4; cp = c & 0x07; min = 0x10000; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (t & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

void AppendBytes(const std::string& b, std::string& out) {
  bool utf8 = true;
  for (size_t i = 0; i < b.size() && utf8;) {
    const size_t n = Utf8Sequence(b, i);
    utf8 = n > 0;
    i += n;
  }
  if (utf8) {
    out += '"';
    for (const char c : b) {
      if (!AppendAsciiEscaped(static_cast<unsigned char>(c), out)) out += c;
    }
    out += '"';
    return;
  }
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out += "{\"base64\":\"";
  for (size_t i = 0; i < b.size(); i += 3) {
    const size_t n = b.size() - i < 3 ? b.size() - i : 3;
    uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(b[i])) << 16;
    if (n > 1) group |= static_cast<uint32_t>(static_cast<unsigned char>(b[i + 1])) << 8;
    if (n > 2) group |= static_cast<unsigned char>(b[i + 2]);
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += n > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    out += n > 2 ? kAlphabet[group & 63] : '=';
  }
  out += "\"}";
}

void DumpItem(XsdType type, const RecordDescription* record, const Value& v, std::string& out) {
  switch (type) {
    case XsdType::kString:
      if (v.text) AppendJsonString(*v.text, out);
      else out += "null";
      return;
    case XsdType::kInt:
      out += std::to_string(v.number);
      return;
    case XsdType::kBoolean:
      out += v.flag ? "true" : "false";
      return;
    case XsdType::kBase64Binary:
      if (v.bytes) AppendBytes(*v.bytes, out);
      else out += "null";
      return;
    case XsdType::kRecord:
      out += '{';
      for (size_t i = 0; i < record->fields.size(); ++i) {
        if (i) out += ',';
        const Entry& f = record->fields[i];
        out += '"';
        out += f.name;
        out += "\":";
        if (i < v.fields.size()) DumpValue(f, v.fields[i], out);
        else out += "null";
      }
      out += '}';
      return;
  }
}

}  // namespace

void DumpValue(const Entry& entry, const Value& value, std::string& out) {
  if (!entry.array) {
    DumpItem(entry.type, entry.record, value, out);
    return;
  }
  if (!value.items) {
    out += "null";
    return;
  }
  out += '[';
  for (size_t i = 0; i < value.items->size(); ++i) {
    if (i) out += ',';
    DumpItem(entry.type, entry.record, (*value.items)[i], out);
  }
  out += ']';
}

std::string DumpOutValues(const OperationDescription& operation, const std::vector<Value>& values) {
  std::string out = "{";
  bool first = true;
  for (size_t i = 0; i < operation.entries.size() && i < values.size(); ++i) {
    const Entry& e = operation.entries[i];
    if (e.direction == Direction::kIn) continue;
    if (!first) out += ',';
    first = false;
    out += '"';
    out += e.name;
    out += "\":";
    DumpValue(e, values[i], out);
  }
  out += '}';
  return out;
}

}  // namespace QPTSoap
