#include "common/registry.h"

#include <gtest/gtest.h>

namespace qp {
namespace {

TEST(RegStatus, GivesTheSystemsErrorCodeAsAResult) {
  struct Case {
    uint32_t code;
    uint32_t result;
  };
  const Case cases[] = {
      {RegStatus::kSuccess, 0},
      {RegStatus::kFileNotFound, 0x80070002u},
      {RegStatus::kAccessDenied, 0x80070005u},
      {RegStatus::kKeyDeleted, 0x800703FAu},
      // Only the low 16 bits of a code fit a result.
      {0x12345u, 0x80072345u},
  };
  for (const Case& c : cases) {
    const RegStatus status(c.code);
    EXPECT_EQ(static_cast<uint32_t>(status.AsResult()), c.result) << c.code;
    EXPECT_EQ(status.Ok(), c.code == 0) << c.code;
    EXPECT_EQ(Failed(status.AsResult()), c.code != 0) << c.code;
  }
}

}  // namespace
}  // namespace qp
