#include "notifier/service/service_address.h"

#include <gtest/gtest.h>

#include "notifier/app/constants.h"

namespace qptn {
namespace {

TEST(ServiceAddress, SchemeFollowsTheHostMarkers) {
  struct Case {
    std::u16string host;
    std::u16string expected;
  };
  const Case cases[] = {
      {kDefaultHost, std::u16string(u"https://") + kDefaultHost + u"/soap/public.php?version=1"},
      {u"127.0.0.1:8080", u"http://127.0.0.1:8080/soap/public.php?version=1"},
      {u"mail.staging.quillpost.com", u"http://mail.staging.quillpost.com/soap/public.php?version=1"},
      {u"mail.example.org", u"https://mail.example.org/soap/public.php?version=1"},
      {u"", u"https:///soap/public.php?version=1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ServiceAddress(c.host), c.expected);
  }
}

TEST(ServiceAddress, SetupPackageNamesTheEditionAndTakesTheServicesScheme) {
  struct Case {
    std::u16string host;
    bool privateLabel;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"mail.quillpost.com", false, u"https://mail.quillpost.com/qptnsetup_QX.msi"},
      {u"mail.quillpost.com", true, u"https://mail.quillpost.com/qptnsetup_PL.msi"},
      {u"127.0.0.1:8080", false, u"http://127.0.0.1:8080/qptnsetup_QX.msi"},
      {u"mail.staging.quillpost.com", true, u"http://mail.staging.quillpost.com/qptnsetup_PL.msi"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetupPackageAddress(c.host, c.privateLabel), c.expected);
    EXPECT_EQ(SetupPackageAddress(c.host, c.privateLabel).substr(0, HostScheme(c.host).size()),
              ServiceAddress(c.host).substr(0, HostScheme(c.host).size()))
        << "the package travels as the service calls do";
  }
}

}  // namespace
}  // namespace qptn
