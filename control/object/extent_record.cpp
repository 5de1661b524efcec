#include "control/object/extent_record.h"

namespace gwax {
namespace {

void Put(uint8_t* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

}  // namespace

std::array<uint8_t, kExtentRecordSize> EncodeExtent(const Extent& extent) {
  std::array<uint8_t, kExtentRecordSize> out{};
  Put(out.data(), kExtentRecordVersion);
  Put(out.data() + 4, extent.cx);
  Put(out.data() + 8, extent.cy);
  return out;
}

std::optional<Extent> DecodeExtent(const uint8_t* data, size_t size) {
  if (data == nullptr || size < kExtentRecordSize || Get(data) != kExtentRecordVersion) {
    return std::nullopt;
  }
  return Extent{Get(data + 4), Get(data + 8)};
}

}  // namespace gwax
