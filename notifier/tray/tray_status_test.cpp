#include "notifier/tray/tray_status.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_tray.h"

namespace qptn {
namespace {

using testing::CallLog;
using testing::Calls;
using testing::FakeTray;

class TrayStatusTest : public ::testing::Test {
 protected:
  CallLog log;
  FakeTray tray{log};
  TrayStatus status{tray};
};

TEST_F(TrayStatusTest, RefreshTipForUnreadCounts) {
  struct Case {
    unsigned unread;
    bool newMail;
    bool animating;
    Calls calls;
    int icon;
  };
  const Case cases[] = {
      {0, false, false, {"SetIcon 108", "SetTip No unread messages."}, 108},
      {0, true, false, {"SetIcon 108", "SetTip No unread messages."}, 108},
      {1, false, false, {"SetTip 1 unread message.", "SetIcon 109"}, 109},
      {2, false, false, {"SetTip 2 unread messages.", "SetIcon 109"}, 109},
      {4294967295u, false, false, {"SetTip 4294967295 unread messages.", "SetIcon 109"}, 109},
      {3, true, false, {"SetTip You have mail!", "SetIcon 157"}, 157},
      // While the icon animates only the resting icon changes.
      {2, false, true, {"SetTip 2 unread messages."}, 109},
      {0, false, true, {"SetTip No unread messages."}, 108},
  };
  for (const Case& c : cases) {
    // Another resting icon first, so that the case must set its own.
    const bool newMailBefore = c.icon != kIconNewMail;
    status.Refresh(newMailBefore ? 3 : 0, newMailBefore, false);
    log.Take();
    status.Refresh(c.unread, c.newMail, c.animating);
    EXPECT_EQ(log.Take(), c.calls) << "unread " << c.unread;
    EXPECT_EQ(status.CurrentIcon(), c.icon) << "unread " << c.unread;
    status.Readd();
    EXPECT_EQ(log.Take(), Calls{"Add " + std::to_string(c.icon)}) << "unread " << c.unread;
  }
}

TEST_F(TrayStatusTest, ShowErrorBalloons) {
  struct Case {
    const char* name;
    bool timerCheck;
    int faultCode;
    std::u16string faultString;
    unsigned accounts;
    unsigned account;
    const char16_t* text;
    Calls calls;
  };
  const Case cases[] = {
      {"plain", false, 0, u"", 1, 0, u"Cannot connect", {"Error Cannot connect"}},
      {"timer check stays silent", true, 300, u"Wrong password", 2, 1, u"Cannot connect", {}},
      {"client fault replaces", false, 300, u"Wrong password", 1, 0, u"x", {"Error Wrong password"}},
      {"empty client fault keeps", false, 300, u"", 1, 0, u"Cannot connect", {"Error Cannot connect"}},
      {"server fault keeps", false, 200, u"Internal", 1, 0, u"Cannot connect", {"Error Cannot connect"}},
      {"null text, no fault", false, 0, u"", 1, 0, nullptr, {}},
      {"null text, client fault", false, 300, u"Locked", 1, 0, nullptr, {"Error Locked"}},
      {"second of two accounts", false, 0, u"", 2, 1, u"Cannot connect",
       {"Error b@x.example|Cannot connect"}},
      {"no single account", false, 0, u"", 2, kNoAccount, u"Cannot connect", {"Error Cannot connect"}},
      {"index beyond the count", false, 0, u"", 2, 2, u"Cannot connect", {"Error Cannot connect"}},
      {"one account, no address", false, 0, u"", 1, 0, u"Oops", {"Error Oops"}},
  };
  const std::vector<std::u16string> all = {u"a@x.example", u"b@x.example", u"c@x.example"};
  for (const Case& c : cases) {
    QPTSoap::SoapFault fault;
    fault.code = c.faultCode;
    fault.faultstring = c.faultString;
    const std::vector<std::u16string> loaded(all.begin(), all.begin() + c.accounts);
    status.ShowError(c.timerCheck, fault, loaded, c.account, c.text);
    EXPECT_EQ(log.Take(), c.calls) << c.name;
  }
}

TEST_F(TrayStatusTest, ShowErrorCutsTheTextToTheBalloonBuffer) {
  const std::u16string longText(2000, u'e');
  status.ShowError(false, QPTSoap::SoapFault{}, {u"a@x.example", u"b@x.example"}, 1,
                   longText.c_str());
  const Calls calls = log.Take();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].size(), std::string("Error ").size() + 1023);
  EXPECT_EQ(calls[0].substr(0, 19), "Error b@x.example|e");
}

}  // namespace
}  // namespace qptn
