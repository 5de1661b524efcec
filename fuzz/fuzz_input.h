// How the harnesses read inputs made of several UTF-16 texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qp_fuzz {

// The input as UTF-16LE code units, split into fields at each U+FFFF (an
// odd last byte is dropped); at least one field.
inline std::vector<std::u16string> Utf16Fields(const uint8_t* data, size_t size) {
  std::vector<std::u16string> fields(1);
  for (size_t i = 0; i + 1 < size; i += 2) {
    const char16_t c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (c == 0xffff) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

}  // namespace qp_fuzz
