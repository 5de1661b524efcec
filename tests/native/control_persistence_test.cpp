#include <gtest/gtest.h>

#include "control/shell/extent_record.h"
#include "control/shell/protected_mode.h"

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

// The system is asked only until it answered or was found missing.
TEST(ProtectedMode, CachingRules) {
  struct Step {
    ProtectedModeReply reply;
    int32_t answer;
    bool asked;
  };
  struct Case {
    const char* label;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"missing library or function: 0, kept",
       {{{qp::kENotImpl, 0}, 0, true}, {{qp::kOk, 1}, 0, false}}},
      {"protected: 1, kept", {{{qp::kOk, 1}, 1, true}, {{qp::kOk, 0}, 1, false}}},
      {"not protected: 0, kept", {{{qp::kOk, 0}, 0, true}, {{qp::kOk, 1}, 0, false}}},
      {"refused: asked again",
       {{{qp::kEAccessDenied, 0}, 0, true}, {{qp::kEAccessDenied, 0}, 0, true}, {{qp::kOk, 1}, 1, true},
        {{qp::kOk, 0}, 1, false}}},
      {"a failed call keeps what it wrote for this query only",
       {{{qp::kEFail, 1}, 1, true}, {{qp::kOk, 0}, 0, true}}},
  };
  for (const auto& c : cases) {
    ProtectedModeCache cache;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      bool asked = false;
      const auto& step = c.steps[i];
      const int32_t answer = cache.Answer([&] {
        asked = true;
        return step.reply;
      });
      EXPECT_EQ(answer, step.answer) << c.label << ", query " << i;
      EXPECT_EQ(asked, step.asked) << c.label << ", query " << i;
    }
  }
}

}  // namespace
}  // namespace gwax
