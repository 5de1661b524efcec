#include "control/clipboard/virtual_file_list.h"

#include <algorithm>
#include <cstdint>

namespace gwax {

std::vector<std::string> VirtualFileNames(std::string_view block) {
  std::vector<std::string> names;
  if (block.size() < 4) return names;
  uint32_t count = 0;
  for (size_t i = 4; i-- > 0;) count = (count << 8) | static_cast<unsigned char>(block[i]);
  // The count is the other program's word; the block's size is what we have.
  const size_t fits = (block.size() - 4) / kFileDescriptorSize;
  const size_t listed = std::min<size_t>(count, fits);
  names.reserve(listed);
  for (size_t i = 0; i < listed; ++i) {
    const std::string_view name = block.substr(
        4 + i * kFileDescriptorSize + kFileDescriptorNameOffset, kFileDescriptorNameBytes);
    names.emplace_back(name.substr(0, name.find('\0')));
  }
  return names;
}

}  // namespace gwax
