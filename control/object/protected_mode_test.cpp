#include "control/object/protected_mode.h"

#include <gtest/gtest.h>

#include <vector>

namespace gwax {
namespace {

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
