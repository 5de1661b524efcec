#include "common/utf8.h"

namespace qp {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(char32_t cp, std::u16string& out) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

// The bounds of the byte after a lead byte; the later ones are 80 to BF.
void SecondByteRange(unsigned char lead, unsigned char& low, unsigned char& high) {
  low = 0x80, high = 0xBF;
  if (lead == 0xE0) low = 0xA0;        // no overlong three-byte forms
  else if (lead == 0xED) high = 0x9F;  // no surrogates
  else if (lead == 0xF0) low = 0x90;   // no overlong four-byte forms
  else if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
}

// Decodes the sequence at `i` into `cp` and returns its length, or, for an
// ill-formed one, sets `cp` to U+FFFD and returns the length of its maximal
// subpart (at least 1), so that every ill-formed piece gives one U+FFFD.
size_t DecodeOne(std::string_view s, size_t i, char32_t& cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char lead = byte(0);
  size_t n;
  if (lead < 0x80) {
    cp = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2, cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3, cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4, cp = lead & 0x07;
  } else {
    cp = kReplacement;
    return 1;
  }
  unsigned char low, high;
  SecondByteRange(lead, low, high);
  for (size_t k = 1; k < n; ++k) {
    if (i + k >= s.size() || byte(k) < low || byte(k) > high) {
      cp = kReplacement;
      return k;
    }
    cp = (cp << 6) | (byte(k) & 0x3F);
    low = 0x80, high = 0xBF;
  }
  return n;
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    i += DecodeOne(utf8, i, cp);
    AppendUtf16(cp, out);
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
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
  return out;
}

}  // namespace qp
