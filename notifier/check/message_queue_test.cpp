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

// Held messages joined with a later check's: each message once.
TEST(MessageQueue, TakingAnotherQueueLeavesOutWhatIsQueuedAlready) {
  struct Entry {
    const char* uid;  // nullptr: no identity
    unsigned account;
    const char16_t* path = u"INBOX";
  };
  struct Case {
    const char* name;
    std::vector<Entry> mine, theirs;
    std::vector<std::string> joined;
    size_t left;
  };
  const Case cases[] = {
      {"disjoint", {{"1", 0}}, {{"2", 0}, {"3", 1}}, {"1", "2", "3"}, 0},
      {"the same message again", {{"1", 0}, {"2", 0}}, {{"2", 0}, {"3", 0}}, {"1", "2", "3"}, 1},
      {"the same identity in another account", {{"1", 0}}, {{"1", 1}}, {"1", "1"}, 0},
      {"the same identity in another folder", {{"1", 0}}, {{"1", 0, u"Spam"}}, {"1", "1"}, 0},
      {"without identity both stay", {{nullptr, 0}}, {{nullptr, 0}}, {"-", "-"}, 0},
      {"into an empty queue", {}, {{"4", 2}, {"5", 2}}, {"4", "5"}, 0},
  };
  for (const Case& c : cases) {
    MessageQueue mine, theirs;
    for (const auto& [list, queue] : {std::pair{&c.mine, &mine}, std::pair{&c.theirs, &theirs}}) {
      for (const Entry& e : *list) {
        QPTSoapNS::Message m = Mail(e.uid ? e.uid : "", 1);
        if (!e.uid) m.uidstr.uid.reset();
        m.uidstr.path = std::u16string(e.path);
        queue->Append(std::move(m), e.account);
      }
    }
    EXPECT_EQ(mine.TakeFrom(theirs), c.left) << c.name;
    EXPECT_EQ(Uids(mine), c.joined) << c.name;
    EXPECT_TRUE(theirs.Empty()) << c.name;
  }
}

}  // namespace
}  // namespace qptn
