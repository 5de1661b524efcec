#include "control/object/page_base.h"

#include <gtest/gtest.h>

namespace gwax {
namespace {

TEST(PageBase, CutsAtTheLastSlashOrBackslash) {
  EXPECT_EQ(PageBase(u"https://mail.quillpost.com/a/b/c.php?x=1"), u"https://mail.quillpost.com/a/b");
  EXPECT_EQ(PageBase(u"file:///C:\\pages\\read.html"), u"file:///C:\\pages");
  EXPECT_EQ(PageBase(u"about:blank"), u"");
  EXPECT_EQ(PageBase(u""), u"");
}

}  // namespace
}  // namespace gwax
