// The system's address parser, asked whether a download address is absolute or relative to the page.
#pragma once

#include <string_view>

namespace gwax {

// Whether WinINet splits `address` into scheme, host and path.
bool IsSplittableAddress(std::u16string_view address);

}  // namespace gwax
