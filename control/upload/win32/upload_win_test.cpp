// The uploads' refusals that must not reach the network, and the boundary
// against the system's own generator.
#include "control/upload/win32/upload_win.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/win32/wide_win.h"

namespace gwax {
namespace {

TEST(Upload, DelimiterDigitsAreTheSystemGenerators) {
  for (unsigned seed : {1u, 12345u, 1765200000u, 4294967295u}) {
    std::srand(seed);
    std::string digits;
    for (int i = 0; i < 16; ++i) digits.push_back(static_cast<char>('0' + std::rand() % 10));
    EXPECT_EQ(MakeDelimiter(seed).substr(13, 16), digits) << seed;
  }
}

// A loopback listener that tells whether anyone connected.
class Listener {
 public:
  Listener() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(socket_, 8);
    int length = sizeof(address);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~Listener() {
    closesocket(socket_);
    WSACleanup();
  }
  bool Connected() {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket_, &ready);
    timeval now{0, 200000};
    return select(0, &ready, nullptr, nullptr, &now) > 0;
  }
  unsigned short port = 0;

 private:
  SOCKET socket_;
};

std::u16string TempFile(const wchar_t* name, LONGLONG size) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + name;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = size;
  SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
  return qp::FromWide(path.c_str());
}

TEST(Upload, RefusalsSendNothing) {
  Listener listener;
  const std::u16string port = qp::FromWide(std::to_wstring(listener.port).c_str());
  const std::u16string http = u"http://127.0.0.1:" + port + u"/saveFile.php";
  const std::u16string small = TempFile(L"qp-upload-small.bin", 10);
  const std::u16string empty = TempFile(L"qp-upload-empty.bin", 0);
  const std::u16string large = TempFile(L"qp-upload-large.bin", 20971521);
  struct Case {
    const char* label;
    std::u16string target;
    std::u16string file;
    bool ok;
  };
  const Case cases[] = {
      {"ftp address", u"ftp://127.0.0.1:" + port + u"/saveFile.php", small, false},
      {"file address", u"file:///C:/windows/saveFile.php", small, false},
      {"not an address", u"127.0.0.1:" + port, small, false},
      {"empty file", http, empty, false},
      {"missing file", http, u"C:\\no\\such\\file.png", false},
      {"one byte over 20 MiB", http, large, true},
  };
  for (const auto& c : cases) {
    const UploadOutcome outcome = UploadFile(c.target, c.file, u"ann", nullptr);
    EXPECT_EQ(outcome.ok, c.ok) << c.label;
    if (c.ok) {
      EXPECT_EQ(outcome.answer.path, "/too_large") << c.label;
      EXPECT_EQ(outcome.answer.key, "") << c.label;
      EXPECT_EQ(outcome.answer.size, 20971521u) << c.label;
    }
  }
  EXPECT_FALSE(CopyByAddress(u"ftp://127.0.0.1:" + port + u"/saveFile.php", "x", u"ann", u"s").ok);
  EXPECT_FALSE(listener.Connected()) << "a refused request reached the network";

  // The listener does see a connection.
  SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(listener.port);
  connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  EXPECT_TRUE(listener.Connected());
  closesocket(probe);
  for (const auto& path : {small, empty, large}) DeleteFileW(qp::Wide(path));
}

}  // namespace
}  // namespace gwax
