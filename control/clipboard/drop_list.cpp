#include "control/clipboard/drop_list.h"

#include <cstdint>

namespace gwax {
namespace {

uint32_t ReadU32(std::string_view block, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    value |= static_cast<uint32_t>(static_cast<unsigned char>(block[at + i])) << (8 * i);
  }
  return value;
}

}  // namespace

bool IsReadableDropList(std::string_view block) {
  if (block.size() < kDropFilesHeaderSize) return false;
  const size_t start = ReadU32(block, 0);
  const bool wide = ReadU32(block, 16) != 0;
  const size_t unit = wide ? 2 : 1;
  if (start > block.size()) return false;
  // Unit by unit from the first path: a NUL where a path starts ends the list.
  bool atPathStart = true;
  for (size_t at = start; at + unit <= block.size(); at += unit) {
    const bool nul = block[at] == '\0' && (!wide || block[at + 1] == '\0');
    if (nul && atPathStart) return true;
    atPathStart = nul;
  }
  return false;
}

}  // namespace gwax
