#include "control/object/page_base.h"

namespace gwax {

std::u16string PageBase(std::u16string_view pageAddress) {
  const size_t cut = pageAddress.find_last_of(u"/\\");
  return cut == std::u16string_view::npos ? std::u16string() : std::u16string(pageAddress.substr(0, cut));
}

}  // namespace gwax
