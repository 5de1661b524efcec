// What one paste preparation uploaded, as the control hands it to the page's script arrays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gwax {

struct UploadResult {
  std::vector<std::string> keys;   // UTF-8, as the server returned them
  std::vector<std::string> names;  // UTF-8 file names
  std::vector<uint32_t> sizes;
  size_t Count() const { return keys.size(); }
};

}  // namespace gwax
