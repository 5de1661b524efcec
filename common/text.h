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

}  // namespace qp
