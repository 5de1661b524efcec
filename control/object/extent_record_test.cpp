#include "control/object/extent_record.h"

#include <gtest/gtest.h>

namespace gwax {
namespace {

TEST(ExtentRecord, RoundTripAndDefaults) {
  const Extent defaults;
  EXPECT_EQ(defaults.cx, 5080u);
  EXPECT_EQ(defaults.cy, 5080u);
  const auto bytes = EncodeExtent(Extent{0x01020304u, 0xA0B0C0D0u});
  const std::array<uint8_t, 12> expected = {0x00, 0x01, 0x00, 0x00, 0x04, 0x03,
                                            0x02, 0x01, 0xD0, 0xC0, 0xB0, 0xA0};
  EXPECT_EQ(bytes, expected);
  const auto back = DecodeExtent(bytes.data(), bytes.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->cx, 0x01020304u);
  EXPECT_EQ(back->cy, 0xA0B0C0D0u);
}

TEST(ExtentRecord, RefusesShortOrForeignRecords) {
  auto bytes = EncodeExtent(Extent{});
  EXPECT_FALSE(DecodeExtent(bytes.data(), 11));
  EXPECT_FALSE(DecodeExtent(nullptr, 12));
  bytes[1] = 0x02;
  EXPECT_FALSE(DecodeExtent(bytes.data(), bytes.size())) << "other format version";
}

}  // namespace
}  // namespace gwax
