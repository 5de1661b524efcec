// Server answers and clipboard text arrive as UTF-8 of any shape. Both
// directions must stay in bounds, and a round trip must be stable: text
// converted once converts back and forth to itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string wide = qp::Utf16FromUtf8(bytes);
  // Never more code units than bytes: each byte yields at most one unit,
  // and a four-byte sequence yields two.
  if (wide.size() > size) __builtin_trap();
  const std::string narrow = qp::Utf8FromUtf16(wide);
  if (qp::Utf16FromUtf8(narrow) != wide) __builtin_trap();

  // The same bytes read as UTF-16 code units, unpaired surrogates and all.
  std::u16string units(size / 2, u'\0');
  for (size_t i = 0; i + 1 < size; i += 2) units[i / 2] = static_cast<char16_t>(data[i] | data[i + 1] << 8);
  const std::string fromUnits = qp::Utf8FromUtf16(units);
  const std::u16string back = qp::Utf16FromUtf8(fromUnits);
  if (back.size() != units.size()) __builtin_trap();
  return 0;
}
