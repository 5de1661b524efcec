#include "notifier/dialogs/dialog_rules.h"

#include <gtest/gtest.h>

namespace qptn {
namespace {

TEST(DialogRules, PlacementBesideTheParent) {
  struct Case {
    ScreenRect parent;
    int x, y;
  };
  // A dialog of 390 x 300 beside a popup in the corner.
  const Case cases[] = {
      {{725, 546, 1022, 736}, 632, 436},  // taskbar at the bottom: bottom-aligned
      {{725, 32, 1022, 222}, 632, 32},    // taskbar at the top: top-aligned
      {{725, 200, 1022, 390}, 632, 200},  // a top of exactly 200 is still "top"
      {{725, 201, 1022, 391}, 632, 91},
  };
  for (const Case& c : cases) {
    const ScreenPoint at = DialogPlacement(c.parent, 390, 300);
    EXPECT_EQ(at.x, c.x);
    EXPECT_EQ(at.y, c.y) << c.parent.top;
  }
}

TEST(DialogRules, OnlyAnActiveStatusSignsIn) {
  CallOutcome ok;
  ok.code = 0;
  CallOutcome failed;
  failed.code = -1;
  EXPECT_TRUE(SignInAccepted(ok, std::u16string(u"active")));
  EXPECT_FALSE(SignInAccepted(ok, std::u16string(u"Active")));
  EXPECT_FALSE(SignInAccepted(ok, std::u16string(u"active ")));
  EXPECT_FALSE(SignInAccepted(ok, std::u16string(u"suspended")));
  EXPECT_FALSE(SignInAccepted(ok, std::nullopt));
  EXPECT_FALSE(SignInAccepted(failed, std::u16string(u"active")));
}

}  // namespace
}  // namespace qptn
