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

}  // namespace qp
