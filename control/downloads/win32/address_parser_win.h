// The system's address parser, telling absolute download addresses from relative ones.
#pragma once

#include <string_view>

namespace gwax {

// Whether WinINet splits `address` into scheme, host and path.
bool IsSplittableAddress(std::u16string_view address);

}  // namespace gwax
