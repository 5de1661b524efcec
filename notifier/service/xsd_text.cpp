#include "notifier/service/xsd_text.h"

#include <limits>

namespace QPTSoap {
namespace {

// The value of each base64 alphabet character, -1 for all others.
struct Base64Table {
  int8_t digit[128];
  constexpr Base64Table() : digit() {
    for (int c = 0; c < 128; ++c) {
      digit[c] = c >= 'A' && c <= 'Z'   ? static_cast<int8_t>(c - 'A')
                 : c >= 'a' && c <= 'z' ? static_cast<int8_t>(c - 'a' + 26)
                 : c >= '0' && c <= '9' ? static_cast<int8_t>(c - '0' + 52)
                 : c == '+'             ? int8_t{62}
                 : c == '/'             ? int8_t{63}
                                        : int8_t{-1};
    }
  }
};
constexpr Base64Table kBase64;

}  // namespace

bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

int ReadBoolean(std::u16string_view s) {
  if (s == u"true" || s == u"1") return 1;
  if (s == u"false" || s == u"0") return 0;
  return -1;
}

bool ReadInt(std::u16string_view s, int32_t& out) {
  size_t b = 0, e = s.size();
  while (b < e && IsXmlSpace(s[b])) ++b;
  while (e > b && IsXmlSpace(s[e - 1])) --e;
  bool negative = false;
  if (b < e && (s[b] == u'+' || s[b] == u'-')) negative = s[b++] == u'-';
  if (b == e) return false;
  int64_t n = 0;
  for (; b < e; ++b) {
    if (s[b] < u'0' || s[b] > u'9') return false;
    n = n * 10 + (s[b] - u'0');
    if (n > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
  }
  if (negative) n = -n;
  if (n > std::numeric_limits<int32_t>::max()) return false;
  out = static_cast<int32_t>(n);
  return true;
}

int64_t ReadArraySize(std::u16string_view s, uint32_t limit) {
  const size_t open = s.find(u'[');
  if (open == std::u16string_view::npos) return -1;
  size_t i = open + 1;
  int64_t product = 1;
  for (;;) {
    while (i < s.size() && IsXmlSpace(s[i])) ++i;
    int64_t n = 0;
    const size_t digits = i;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
      n = n * 10 + (s[i++] - u'0');
      if (n > limit) return -1;
    }
    if (i == digits) return -1;  // "[]", "[,2]", "[x]"
    product *= n;
    if (product > limit) return -1;
    while (i < s.size() && IsXmlSpace(s[i])) ++i;
    if (i == s.size()) return -1;
    if (s[i] == u']') return product;
    if (s[i++] != u',') return -1;
  }
}

void Base64Decoder::Feed(std::u16string_view text, std::string& out) {
  if (stopped_) return;
  // Room for the most this run can yield, trimmed after.
  size_t at = out.size();
  out.resize(at + (text.size() + 3) / 4 * 3 + 3);
  char* o = &out[0];
  uint32_t quad = quad_;
  int quadLength = quadLength_;
  for (const char16_t c : text) {
    if (c == u'\0') {
      stopped_ = true;
      break;
    }
    const int d = c < 128 ? kBase64.digit[c] : -1;
    if (d < 0) continue;
    quad = (quad << 6) | static_cast<uint32_t>(d);
    if (++quadLength == 4) {
      o[at++] = static_cast<char>((quad >> 16) & 0xFF);
      o[at++] = static_cast<char>((quad >> 8) & 0xFF);
      o[at++] = static_cast<char>(quad & 0xFF);
      quad = 0;
      quadLength = 0;
    }
  }
  out.resize(at);
  quad_ = quad;
  quadLength_ = quadLength;
}

void Base64Decoder::Finish(std::string& out) const {
  if (quadLength_ == 3) {
    out.push_back(static_cast<char>((quad_ >> 10) & 0xFF));
    out.push_back(static_cast<char>((quad_ >> 2) & 0xFF));
  } else if (quadLength_ == 2) {
    out.push_back(static_cast<char>((quad_ >> 4) & 0xFF));
  }
}

}  // namespace QPTSoap
