// The list of files another program holds on the clipboard without
// having them on disk ("FileGroupDescriptor", 8-bit names).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gwax {

constexpr size_t kFileDescriptorSize = 332;
constexpr size_t kFileDescriptorNameOffset = 72;
constexpr size_t kFileDescriptorNameBytes = 260;

// The names of the listed files in the system's 8-bit code page: a 32-bit
// count, then the descriptors, each name ending at its first NUL or after
// 260 bytes. Only descriptors that lie wholly inside the block count.
std::vector<std::string> VirtualFileNames(std::string_view block);

}  // namespace gwax
