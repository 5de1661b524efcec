#include "notifier/check/message_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notifier/check/check_test_fakes.h"

namespace qptn {
namespace {

using testing::Mail;

std::vector<std::string> Uids(MessageQueue& queue) {
  std::vector<std::string> uids;
  for (auto it = queue.Begin(); it != queue.End(); ++it) {
    uids.push_back(testing::Narrow(it->message.uidstr.uid.value_or(u"-")));
  }
  return uids;
}

TEST(MessageQueue, SortsStablyByDateAndTrimsTheOldest) {
  MessageQueue queue;
  queue.Append(Mail("a", 30), 0);
  queue.Append(Mail("b", 10), 0);
  queue.Append(Mail("c", 30), 1);
  queue.Append(Mail("d", 20), 1);
  queue.Append(Mail("e", 10), 1);
  queue.SortByDate();
  EXPECT_EQ(Uids(queue), (std::vector<std::string>{"b", "e", "d", "a", "c"}));
  queue.TrimTo(3);
  EXPECT_EQ(Uids(queue), (std::vector<std::string>{"d", "a", "c"}));
  queue.TrimTo(5);
  EXPECT_EQ(queue.Size(), 3u);
}

TEST(MessageQueue, GroupsIdentitiesByAccountInAccountOrderSkippingUnknownAccounts) {
  MessageQueue queue;
  queue.Append(Mail("b1", 1), 1);
  queue.Append(Mail("a1", 2), 0);
  queue.Append(Mail("x", 3), 7);
  queue.Append(Mail("b2", 4), 1);
  const auto groups = queue.ByAccount(5);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].first, 0u);
  EXPECT_EQ(groups[0].second.size(), 1u);
  EXPECT_EQ(groups[1].first, 1u);
  ASSERT_EQ(groups[1].second.size(), 2u);
  EXPECT_EQ(*groups[1].second[1].uid, u"b2");
  EXPECT_TRUE(queue.ByAccount(0).empty());
}

TEST(MessageQueue, TheShownTextsAreUtf16AndAbsentOnesEmpty) {
  MessageQueue queue;
  QPTSoapNS::Message m = Mail("1", 1);
  m.from_display = std::string("J\xC3\xBCrgen");
  m.subject = std::string("Bad \xFF byte");
  m.body.reset();
  queue.Append(m, 2);
  const QueuedMessage& entry = *queue.Begin();
  EXPECT_EQ(entry.fromDisplay, u"J\u00FCrgen");
  EXPECT_EQ(entry.subject, u"Bad \uFFFD byte");
  EXPECT_EQ(entry.body, u"");
  EXPECT_EQ(entry.account, 2u);
  EXPECT_EQ(*entry.message.from_display, "J\xC3\xBCrgen") << "the record stays as received";
}

}  // namespace
}  // namespace qptn
