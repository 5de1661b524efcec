// The page base: the page's address without its last part, for relative download addresses.
#pragma once

#include <string>
#include <string_view>

namespace gwax {

// The page address up to, not including, its last "/" or "\"; empty when
// it has neither.
std::u16string PageBase(std::u16string_view pageAddress);

}  // namespace gwax
