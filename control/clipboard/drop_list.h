// The list of files a file manager puts on the clipboard (CF_HDROP): a
// DROPFILES header, then the paths, each ending in NUL, the list ending in
// an empty path.
#pragma once

#include <cstddef>
#include <string_view>

namespace gwax {

constexpr size_t kDropFilesHeaderSize = 20;  // pFiles, pt, fNC, fWide

// Whether the system can read the list in `block` without reading past it:
// the header is whole, its offset of the paths (pFiles) lies inside the
// block, and the paths, in 16-bit units when fWide is set and in bytes
// otherwise, end in an empty one inside the block. Another program may put
// anything under the format, and the system's reader trusts the offset and
// looks for the terminators without a bound.
bool IsReadableDropList(std::string_view block);

}  // namespace gwax
