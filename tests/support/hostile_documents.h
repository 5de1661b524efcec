// Hostile answers for both readers, and a loopback listener that counts
// the connections a reader would make to fetch an external entity or DTD.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace QPTSoap::testing {

#ifdef _WIN32
using Socket = SOCKET;
inline constexpr Socket kNoSocket = INVALID_SOCKET;
inline void CloseSocket(Socket s) { closesocket(s); }
#else
using Socket = int;
inline constexpr Socket kNoSocket = -1;
inline void CloseSocket(Socket s) { close(s); }
#endif

// Listens on 127.0.0.1 on a free port and accepts (and drops) every
// connection until it goes.
class LoopbackListener {
 public:
  LoopbackListener() {
#ifdef _WIN32
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
#endif
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket_ == kNoSocket) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(socket_, 8) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      return;
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackListener() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (socket_ != kNoSocket) CloseSocket(socket_);
#ifdef _WIN32
    if (started_) WSACleanup();
#endif
  }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  int port() const { return port_; }
  int hits() const { return hits_; }

  // Connects once and waits until the listener has counted it: proves the
  // count works before a test relies on it staying put.
  bool CountsAConnection() {
    const int before = hits_;
    const Socket s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == kNoSocket) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<unsigned short>(port_));
    const bool connected = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    for (int i = 0; connected && i < 100 && hits_ == before; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    CloseSocket(s);
    return hits_ == before + 1;
  }

 private:
  void Serve() {
    while (!stop_) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(socket_, &set);
      timeval wait{0, 50 * 1000};
      if (::select(static_cast<int>(socket_) + 1, &set, nullptr, nullptr, &wait) <= 0) continue;
      const Socket client = ::accept(socket_, nullptr, nullptr);
      if (client == kNoSocket) continue;
      ++hits_;
      CloseSocket(client);
    }
  }

#ifdef _WIN32
  bool started_ = false;
#endif
  Socket socket_ = kNoSocket;
  int port_ = 0;
  std::atomic<int> hits_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

inline const char kHostileEnvelope[] =
    "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><r><result>";
inline const char kHostileEnd[] = "</result></r></e:Body></e:Envelope>";

// Each must fail, without a connection to `port`.
inline std::vector<std::pair<std::string, std::string>> HostileDocuments(int port) {
  const std::string url = "http://127.0.0.1:" + std::to_string(port);
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE e:Envelope [<!ENTITY a0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY a" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) laughs += "&a" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  laughs += "]>" + std::string(kHostileEnvelope) + "&a9;" + kHostileEnd;
  std::string deep = kHostileEnvelope;
  for (int i = 0; i < 10000; ++i) deep += "<a>";
  deep += "x";
  for (int i = 0; i < 10000; ++i) deep += "</a>";
  deep += kHostileEnd;
  return {
      {"billion laughs", laughs},
      {"external entity",
       "<?xml version=\"1.0\"?><!DOCTYPE e:Envelope [<!ENTITY x SYSTEM \"" + url + "/x\">]>" +
           kHostileEnvelope + "&x;" + kHostileEnd},
      {"external parameter entity",
       "<?xml version=\"1.0\"?><!DOCTYPE e:Envelope [<!ENTITY % p SYSTEM \"" + url + "/p\"> %p;]>" +
           kHostileEnvelope + "a" + kHostileEnd},
      {"external DTD",
       "<?xml version=\"1.0\"?><!DOCTYPE e:Envelope SYSTEM \"" + url + "/dtd\">" +
           kHostileEnvelope + "a" + kHostileEnd},
      {"10,000-deep nesting", deep},
  };
}

}  // namespace QPTSoap::testing
