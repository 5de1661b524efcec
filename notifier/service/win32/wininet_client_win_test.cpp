// The WinINet transport for real. The address cases need nothing else; the
// stream and status cases talk to the stand-in host whose port is in
// QP_HOST_PORT (the qpcall scenarios start it and run this program).
#include "notifier/service/win32/wininet_client_win.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/win32/wininet_win.h"
#include "common/win32/com_ptr_win.h"
#include "common/win32/wide_win.h"
#include "notifier/service/soap_client.h"

namespace QPTSoap {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(WininetClient, TakesEndpointsApart) {
  struct Case {
    std::u16string address;
    bool https;
    const char16_t* host;
    int port;
    const char16_t* request_path;
  };
  const std::vector<Case> cases = {
      {u"http://127.0.0.1:8080/soap/public.php?version=1", false, u"127.0.0.1", 8080,
       u"/soap/public.php?version=1"},
      {u"https://mail.quillpost.com/soap/public.php?version=1", true, u"mail.quillpost.com",
       443, u"/soap/public.php?version=1"},
      {u"http://mail.quillpost.com/soap/public.php?version=1", false, u"mail.quillpost.com",
       80, u"/soap/public.php?version=1"},
      {u"https://h:8443/p", true, u"h", 8443, u"/p"},
      {u"http://h", false, u"h", 80, u"/"},
      {u"http://h/caf\u00e9?a=1", false, u"h", 80, u"/caf%C3%A9?a=1"},
  };
  for (const Case& c : cases) {
    WininetClient client;
    ASSERT_TRUE(client.SetEndpoint(c.address)) << Narrow(c.address);
    const auto* a = client.address();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->https, c.https) << Narrow(c.address);
    EXPECT_EQ(a->host, c.host) << Narrow(c.address);
    EXPECT_EQ(a->port, c.port) << Narrow(c.address);
    EXPECT_EQ(Narrow(a->request_path), Narrow(c.request_path)) << Narrow(c.address);
  }
}

TEST(WininetClient, AnUnparsableEndpointLeavesNoAddress) {
  for (const std::u16string bad : {u"", u"not an address", u"ftp://h/x", u"http://"}) {
    WininetClient client;
    ASSERT_TRUE(client.SetEndpoint(u"http://h/p"));
    EXPECT_FALSE(client.SetEndpoint(bad)) << Narrow(bad);
    EXPECT_EQ(client.address(), nullptr) << Narrow(bad);
    EXPECT_EQ(client.Send(u"SOAPAction: \"x\"\r\n", "<x/>").outcome, SendOutcome::kFailed);
  }
}

TEST(WininetClient, ServiceClientStartsOnTheDevelopmentHost) {
  CQPTSoapT<WininetClient> client;
  const auto* a = client.Client().address();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->host, u"dev.quillpost.com");
  EXPECT_EQ(a->port, 80);
  EXPECT_FALSE(a->https);
  EXPECT_EQ(a->request_path, u"/soap/public.php?version=1");
  EXPECT_EQ(client.SetEndpoint(u"gopher://x"), qp::kEInvalidArg);
}

class AgainstTheHost : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("QP_HOST_PORT");
    ASSERT_TRUE(port && *port) << "QP_HOST_PORT must name the stand-in host's port";
    port_ = static_cast<INTERNET_PORT>(std::atoi(port));
    base_ = u"http://127.0.0.1:" + std::u16string(port, port + std::char_traits<char>::length(port));
  }

  // A GET of `path` on the host, sent, ready to be read.
  void Get(const wchar_t* path) {
    internet_.Reset(InternetOpenW(L"test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    ASSERT_TRUE(internet_);
    connection_.Reset(InternetConnectW(internet_.Get(), L"127.0.0.1", port_, nullptr, nullptr,
                                       INTERNET_SERVICE_HTTP, 0, 0));
    ASSERT_TRUE(connection_);
    request_.Reset(HttpOpenRequestW(connection_.Get(), L"GET", path, nullptr, nullptr, nullptr,
                                    INTERNET_FLAG_NO_UI, 0));
    ASSERT_TRUE(request_);
    ASSERT_TRUE(HttpSendRequestW(request_.Get(), nullptr, 0, nullptr, 0));
  }

  INTERNET_PORT port_ = 0;
  std::u16string base_;
  qp::UniqueInternet internet_, connection_, request_;
};

TEST_F(AgainstTheHost, ResponseStreamReadsTheBodyAndNothingElse) {
  Get(L"/");
  auto stream = qp::ComPtr<ResponseStream>::Adopt(new ResponseStream(request_.Get()));
  std::string body(65536, '\0');
  ULONG got = 0;
  EXPECT_EQ(stream.Get()->Read(&body[0], static_cast<ULONG>(body.size()), &got), S_FALSE);
  body.resize(got);
  EXPECT_NE(body.find("Quillpost :: Mail Index"), std::string::npos) << body;
  EXPECT_EQ(stream.Get()->Read(&body[0], 1, &got), S_FALSE);
  EXPECT_EQ(got, 0u);

  char byte;
  LARGE_INTEGER zero{};
  ULARGE_INTEGER size{};
  STATSTG stat{};
  IStream* clone = nullptr;
  EXPECT_EQ(stream.Get()->Write(&byte, 1, nullptr), E_NOTIMPL);
  EXPECT_EQ(stream.Get()->Seek(zero, STREAM_SEEK_SET, nullptr), E_NOTIMPL);
  EXPECT_EQ(stream.Get()->SetSize(size), E_NOTIMPL);
  EXPECT_EQ(stream.Get()->CopyTo(nullptr, size, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(stream.Get()->Commit(0), E_NOTIMPL);
  EXPECT_EQ(stream.Get()->Revert(), E_NOTIMPL);
  EXPECT_EQ(stream.Get()->LockRegion(size, size, 0), E_NOTIMPL);
  EXPECT_EQ(stream.Get()->UnlockRegion(size, size, 0), E_NOTIMPL);
  EXPECT_EQ(stream.Get()->Stat(&stat, STATFLAG_NONAME), E_NOTIMPL);
  EXPECT_EQ(stream.Get()->Clone(&clone), E_NOTIMPL);

  void* object = &byte;
  EXPECT_EQ(stream.Get()->QueryInterface(IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  ASSERT_EQ(stream.Get()->QueryInterface(IID_ISequentialStream, &object), S_OK);
  auto sequential = qp::ComPtr<ISequentialStream>::Adopt(static_cast<ISequentialStream*>(object));
}

TEST_F(AgainstTheHost, ResponseStreamFailsPastItsLimit) {
  Get(L"/");
  auto stream = qp::ComPtr<ResponseStream>::Adopt(new ResponseStream(request_.Get(), 10));
  char buffer[8];
  ULONG got = 0;
  EXPECT_EQ(stream.Get()->Read(buffer, sizeof buffer, &got), S_OK);  // 8 of 10
  EXPECT_EQ(stream.Get()->Read(buffer, sizeof buffer, &got), STG_E_MEDIUMFULL);
}

TEST_F(AgainstTheHost, StatusDecidesBetweenFaultAndResponse) {
  struct Case {
    const char16_t* path;
    SendOutcome outcome;
    int status;
  };
  const std::vector<Case> cases = {
      {u"/soap/public.php?version=1", SendOutcome::kFault, 500},  // not an envelope
      {u"/no-such-page", SendOutcome::kResponse, 405},
  };
  for (const Case& c : cases) {
    WininetClient client;
    ASSERT_TRUE(client.SetEndpoint(base_ + c.path));
    const SendResult sent = client.Send(SoapActionLine("get_version"), "not xml");
    EXPECT_EQ(sent.outcome, c.outcome) << Narrow(c.path);
    EXPECT_EQ(sent.status, c.status) << Narrow(c.path);
  }
  WininetClient closed;
  ASSERT_TRUE(closed.SetEndpoint(u"http://127.0.0.1:1/soap/public.php?version=1"));
  EXPECT_EQ(closed.Send(SoapActionLine("get_version"), "<x/>").outcome, SendOutcome::kFailed);
}

}  // namespace
}  // namespace QPTSoap
