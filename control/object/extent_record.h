// The control's persisted state: its extent, as stored in a page's or a document's stream.
//
// The extent is in 0.01 mm ("_cx", "_cy"). Stored streams are outside
// input: anything but a complete record of the known format is refused.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "control/constants.h"

namespace gwax {

struct Extent {
  uint32_t cx = kDefaultExtent;  // "_cx"
  uint32_t cy = kDefaultExtent;  // "_cy"
};

// Little-endian: format version, "_cx", "_cy".
inline constexpr size_t kExtentRecordSize = 12;
inline constexpr uint32_t kExtentRecordVersion = 0x0100;

std::array<uint8_t, kExtentRecordSize> EncodeExtent(const Extent& extent);
std::optional<Extent> DecodeExtent(const uint8_t* data, size_t size);

}  // namespace gwax
