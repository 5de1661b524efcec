#include "notifier/check/update_check.h"

#include <gtest/gtest.h>

#include "notifier/check/check_test_fakes.h"

namespace qptn {
namespace {

using testing::CallLog;
using testing::Calls;
using testing::Narrow;

class FakeUpdateUi : public UpdateUi {
 public:
  explicit FakeUpdateUi(CallLog& log) : log_(log) {}
  void Announce(const std::u16string& text) override { log_.calls.push_back("box " + Narrow(text)); }
  void Open(const std::u16string& address) override { log_.calls.push_back("open " + Narrow(address)); }

 private:
  CallLog& log_;
};

TEST(UpdateCheck, OnlyANewerVersionIsAnnouncedAndItsPackageOpened) {
  struct Case {
    const char* label;
    int32_t version;
    int32_t code;
    std::u16string host;
    bool privateLabel;
    Calls expected;
  };
  const std::string box =
      "box A new version of the Desktop Notifier is available and will now be downloaded.";
  const Case cases[] = {
      {"same version", kOwnVersion, 0, u"mail.quillpost.com", false, {}},
      {"older version", kOwnVersion - 1, 0, u"mail.quillpost.com", false, {}},
      {"failed call", kOwnVersion + 5, -1, u"mail.quillpost.com", false, {}},
      {"newer, public host", kOwnVersion + 1, 0, u"mail.quillpost.com", false,
       {box, "open https://mail.quillpost.com/qptnsetup_QX.msi"}},
      {"newer, private label", kOwnVersion + 1, 0, u"mail.quillpost.com", true,
       {box, "open https://mail.quillpost.com/qptnsetup_PL.msi"}},
      {"newer, stand-in host", kOwnVersion + 3, 0, u"127.0.0.1:8080", false,
       {box, "open http://127.0.0.1:8080/qptnsetup_QX.msi"}},
  };
  for (const Case& c : cases) {
    CallLog log;
    testing::FakeService service(log);
    service.currentVersion = c.version;
    service.versionCode = c.code;
    FakeUpdateUi ui(log);
    EXPECT_EQ(CheckForUpdate(service, ui, c.host, c.privateLabel), !c.expected.empty()) << c.label;
    Calls expected{"get_version DudiderEzodoZuduza"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(log.Take(), expected) << c.label;
  }
}

}  // namespace
}  // namespace qptn
