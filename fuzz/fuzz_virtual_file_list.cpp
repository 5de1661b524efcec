// Other programs' lists of files on the clipboard, any bytes: virtual
// files' names no longer than their field and without a NUL, never more
// than the block holds; a file manager's list (CF_HDROP) called readable
// only when the system's way of reading it stays inside the block.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "control/clipboard/drop_list.h"
#include "control/clipboard/virtual_file_list.h"
#include "fuzz/fuzz_check.h"

using qp_fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view block(reinterpret_cast<const char*>(data), size);
  const auto names = gwax::VirtualFileNames(block);
  Check(names.empty() || names.size() <= (size - 4) / gwax::kFileDescriptorSize);
  for (const auto& name : names) {
    Check(name.size() <= gwax::kFileDescriptorNameBytes);
    Check(name.find('\0') == std::string::npos);
  }

  if (gwax::IsReadableDropList(block)) {
    // As the system reads it: from the offset in the first four bytes, path
    // after path up to the empty one, in 16-bit units when the word at 16 says so.
    const auto word = [&](size_t at) {
      return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
             uint32_t(data[at + 3]) << 24;
    };
    const size_t unit = word(16) != 0 ? 2 : 1;
    size_t at = word(0);
    for (size_t length = 1; length != 0;) {
      for (length = 0;; ++length, at += unit) {
        Check(at + unit <= size);
        if (data[at] == 0 && (unit == 1 || data[at + 1] == 0)) break;
      }
      at += unit;
    }
  }
  return 0;
}
