// Another program's list of files on the clipboard: any bytes, names no
// longer than their field and without a NUL, never more than the block holds.
#include <cstddef>
#include <cstdint>
#include <string_view>

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
  return 0;
}
