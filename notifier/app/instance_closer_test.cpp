#include "notifier/app/instance_closer.h"

#include <gtest/gtest.h>

#include <vector>

namespace qptn {
namespace {

// One round of the newcomer's loop: the windows found and the clock then,
// and the window that gets the Exit command (0: the newcomer goes on).
struct Round {
  std::vector<uintptr_t> windows;
  uint64_t nowMs;
  uintptr_t expected;
};

struct Case {
  const char* name;
  std::vector<Round> rounds;
};

TEST(InstanceCloser, TriesEachPeerUntilItGoesOrItsTimeIsUp) {
  const std::vector<Case> cases = {
      {"no peer", {{{}, 0, 0}}},
      {"a peer that goes after the first command", {{{7}, 0, 7}, {{}, 400, 0}}},
      {"a peer that takes its time but goes within the bound",
       {{{7}, 0, 7}, {{7}, 5400, 7}, {{7}, 29999, 7}, {{}, 30400, 0}}},
      {"a hung peer is left alone once its time is up", {{{7}, 0, 7}, {{7}, 29999, 7}, {{7}, 30000, 0}}},
      {"two peers found together are told in turn", {{{7, 9}, 0, 7}, {{9}, 400, 9}, {{}, 800, 0}}},
      {"two hung peers found together run out together", {{{7, 9}, 0, 7}, {{7, 9}, 30000, 0}}},
      {"a hung peer does not keep a later one waiting; that one gets its own full time", {{{7}, 0, 7}, {{7, 9}, 29000, 7}, {{7, 9}, 30000, 9},
                                                    {{7, 9}, 58999, 9}, {{7, 9}, 59000, 0}}},
      {"a null window is never told", {{{0}, 0, 0}, {{0, 5}, 1, 5}}},
  };
  for (const Case& c : cases) {
    InstanceCloser closer(30000);
    for (size_t i = 0; i < c.rounds.size(); ++i) {
      const Round& r = c.rounds[i];
      EXPECT_EQ(closer.Next(r.windows, r.nowMs), r.expected) << c.name << ", round " << i;
    }
  }
}

}  // namespace
}  // namespace qptn
