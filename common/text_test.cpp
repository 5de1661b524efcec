// The shared text helpers: control characters and their escapes.
#include "common/text.h"

#include <gtest/gtest.h>

namespace qp {
namespace {

TEST(EscapeControls, ControlsBecomeEscapesAndEverythingElseStays) {
  struct Case {
    std::u16string in;
    std::u16string out;
  };
  const Case cases[] = {
      {u"", u""},
      {u"plain text, \u00e9 and \U0001F600", u"plain text, \u00e9 and \U0001F600"},
      {u"a\nb\rc\td", u"a\\nb\\rc\\td"},
      {u"\x1b[31mred", u"\\x1b[31mred"},
      {std::u16string(1, u'\0') + u"x", u"\\x00x"},
      {u"\x7f\u0080\u0085\u009f\u00a0", u"\\x7f\\x80\\x85\\x9f\u00a0"},
      {u"C:\\path\\n", u"C:\\path\\n"},  // a backslash stays as it is
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeControls(c.in), c.out);
    EXPECT_EQ(HasControl(c.in), c.in != c.out) << "escaped exactly when it holds a control";
  }
}

}  // namespace
}  // namespace qp
