// Small text helpers shared by both deliverables.
#pragma once

#include <string>
#include <string_view>

namespace qp {

// Widens 7-bit text (numbers, fixed words) to UTF-16.
inline std::u16string WidenAscii(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

// The first `limit` code units of `text`, as a fixed-size buffer with room
// for `limit` characters and its terminator would keep them.
inline std::u16string Truncated(const std::u16string& text, size_t limit) {
  return text.size() <= limit ? text : text.substr(0, limit);
}

// ASCII letters compared without regard to case; every other unit as it is.
inline char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

inline bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

inline bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

// The control characters: C0 (below U+0020), DEL and C1 (U+0080 to U+009F).
inline bool IsControl(char16_t c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F); }

inline bool HasControl(std::u16string_view text) {
  for (char16_t c : text) {
    if (IsControl(c)) return true;
  }
  return false;
}

// `text` with each control character written as an escape: \n, \r, \t,
// else \x and two hex digits. Printed, it stays on one line and sends no
// terminal command. Everything else, backslashes included, stays as it is.
inline std::u16string EscapeControls(std::u16string_view text) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (!IsControl(c)) {
      out += c;
    } else if (c == u'\n') {
      out += u"\\n";
    } else if (c == u'\r') {
      out += u"\\r";
    } else if (c == u'\t') {
      out += u"\\t";
    } else {
      out += u"\\x";
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    }
  }
  return out;
}

}  // namespace qp
