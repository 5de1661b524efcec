// ASCII letter case, as the control compares file names, host names and theme words.
//
// Only A to Z fold: the names compared are ASCII by rule, and folding
// other letters would let look-alike text match.
#pragma once

#include <string_view>

namespace gwax {

inline char16_t LowerAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

inline bool EqualNoCaseAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace gwax
