#include "notifier/service/http_text.h"

namespace QPTSoap {

std::u16string RequestHeaders(std::u16string_view action_line) {
  return std::u16string(action_line) + u"Content-Type: text/xml; charset=utf-8\r\n";
}

std::u16string EscapeNonAscii(std::u16string_view address) {
  static const char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  auto byte = [&](unsigned b) {
    out += u'%';
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  };
  for (size_t i = 0; i < address.size(); ++i) {
    char32_t c = address[i];
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char16_t>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < address.size() &&
        address[i + 1] >= 0xDC00 && address[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (address[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // an unpaired surrogate has no UTF-8 form
    }
    if (c < 0x80) {
      byte(c);
    } else if (c < 0x800) {
      byte(0xC0 | (c >> 6));
      byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      byte(0xE0 | (c >> 12));
      byte(0x80 | ((c >> 6) & 0x3F));
      byte(0x80 | (c & 0x3F));
    } else {
      byte(0xF0 | (c >> 18));
      byte(0x80 | ((c >> 12) & 0x3F));
      byte(0x80 | ((c >> 6) & 0x3F));
      byte(0x80 | (c & 0x3F));
    }
  }
  return out;
}

int ParseStatusCode(std::u16string_view text) {
  if (text.empty() || text.size() > 9) return 0;
  int code = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return 0;
    code = code * 10 + (c - u'0');
  }
  return code;
}

}  // namespace QPTSoap
