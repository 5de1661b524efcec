// One mail check of the notifier's own code beside a bare WinINet loop that
// posts the same request bodies, in one process, round after round.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "bench/win/qpbench_win.h"
#include "common/win32/wide_win.h"
#include "notifier/check/mail_check.h"
#include "notifier/service/http_text.h"
#include "notifier/service/win32/wininet_client_win.h"

namespace qpbench {
namespace {

using namespace qptn;

// Writes down what the notifier's client sends, to post it again bare.
class RecordingTransport final : public QPTSoap::Transport {
 public:
  struct Request {
    std::u16string actionLine;
    std::string body;
  };
  explicit RecordingTransport(QPTSoap::Transport& inner) : inner_(inner) {}

  int32_t EnsureReader() override { return inner_.EnsureReader(); }
  void BeginCall() override { inner_.BeginCall(); }
  QPTSoap::SendResult Send(std::u16string_view actionLine, std::string_view body) override {
    if (recording) requests.push_back({std::u16string(actionLine), std::string(body)});
    return inner_.Send(actionLine, body);
  }
  bool ParseResponse(QPTSoap::SaxHandler& h) override { return inner_.ParseResponse(h); }
  bool ParseFault(QPTSoap::SaxHandler& h) override { return inner_.ParseFault(h); }
  bool SetEndpoint(std::u16string_view address) override { return inner_.SetEndpoint(address); }

  bool recording = false;
  std::vector<Request> requests;

 private:
  QPTSoap::Transport& inner_;
};

// The accounts; nothing else of the program is involved in a check of
// accounts without new mail.
class Accounts final : public CheckAccounts {
 public:
  explicit Accounts(std::vector<std::pair<std::u16string, std::u16string>> list)
      : list_(std::move(list)) {}
  std::mutex& SettingsLock() override { return lock_; }
  unsigned Count() override { return static_cast<unsigned>(list_.size()); }
  Credentials Account(unsigned slot) override { return {list_[slot].first, list_[slot].second}; }
  std::u16string HostKey() override { return u"bench-host-key"; }
  CheckSettings Settings() override { return {300000, 5, false, 4000}; }
  void Reload() override {}

 private:
  std::vector<std::pair<std::u16string, std::u16string>> list_;
  std::mutex lock_;
};

struct Quiet final : CheckTray, PopupPort, SoundPort, PresenceProbe, TimerPort, CheckWorker,
                     SettingsDialogPort, UpdatePort, BusyProbe, WallClock, PauseStore {
  void BeginAnimation() override {}
  void EndAnimation() override {}
  void RefreshTip(unsigned, bool) override {}
  void ShowError(bool, unsigned, const std::u16string&, const QPTSoap::SoapFault&) override {
    ++errors;
  }
  void ShowMessage(unsigned, const std::optional<std::u16string>&, QueuedMessage&, bool, bool,
                   bool*, bool*) override {}
  void ShowSummary(unsigned) override {}
  void SetDisplayTime(unsigned) override {}
  void PlayMailBeep() override {}
  PresenceReading Read() override { return {}; }
  void SetTimer(unsigned, unsigned) override {}
  void KillTimer(unsigned) override {}
  void PostTimer(unsigned, unsigned) override {}
  bool UserBusy() override { return false; }
  int64_t NowSeconds() override { return 0; }
  int64_t Load() override { return 0; }
  void Save(int64_t) override {}
  bool Start(std::function<void()>) override { return false; }
  void Join() override {}
  void Run() override {}
  bool CheckForUpdate() override { return false; }
  unsigned errors = 0;
};

// The bare loop: one connection kept, each body posted as the client does
// (HTTP/1.0 with keep-alive, the same headers) and its answer read whole.
class BareLoop {
 public:
  bool Open(const QPTSoap::WininetClient::Address& to) {
    internet_ = InternetOpenW(L"VCSoapClient", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!internet_) return false;
    connection_ = InternetConnectW(internet_, qp::Wide(to.host), to.port, nullptr, nullptr,
                                   INTERNET_SERVICE_HTTP, 0, 0);
    path_ = to.request_path;
    return connection_ != nullptr;
  }
  ~BareLoop() {
    if (connection_) InternetCloseHandle(connection_);
    if (internet_) InternetCloseHandle(internet_);
  }
  bool Post(const RecordingTransport::Request& r) {
    const wchar_t* accept[] = {L"text/*", nullptr};
    HINTERNET request = HttpOpenRequestW(connection_, L"POST", qp::Wide(path_), L"HTTP/1.0",
                                         nullptr, accept,
                                         INTERNET_FLAG_NO_UI | INTERNET_FLAG_KEEP_CONNECTION, 0);
    if (!request) return false;
    const std::u16string headers = QPTSoap::RequestHeaders(r.actionLine);
    bool ok = HttpSendRequestW(request, qp::Wide(headers), static_cast<DWORD>(headers.size()),
                               const_cast<char*>(r.body.data()), static_cast<DWORD>(r.body.size()));
    char buffer[4096];
    DWORD got = 0;
    while (ok && InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) {
    }
    InternetCloseHandle(request);
    return ok;
  }

 private:
  HINTERNET internet_ = nullptr;
  HINTERNET connection_ = nullptr;
  std::u16string path_;
};

// CPU time of the calling thread in milliseconds; coarse (Wine counts it
// in ticks of 10 ms), so it is summed over the whole run.
double ThreadCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

// check-cost ENDPOINT ROUNDS ADDRESS PASSWORD [ADDRESS PASSWORD]...
int CheckCost(int argc, wchar_t** argv) {
  if (argc < 5 || (argc - 3) % 2 != 0) return Usage();
  const std::u16string endpoint = qp::FromWide(argv[1]);
  const int rounds = _wtoi(argv[2]);
  std::vector<std::pair<std::u16string, std::u16string>> list;
  for (int i = 3; i + 1 < argc; i += 2) list.emplace_back(qp::FromWide(argv[i]), qp::FromWide(argv[i + 1]));

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  QPTSoap::WininetClient wininet;
  RecordingTransport transport(wininet);
  QPTSoap::ServiceClient soap(transport);
  QPTSoap::SharedClient shared(soap);
  ClientMailService service(shared);
  Accounts accounts(list);
  Quiet quiet;
  MailCheck check({service, accounts, quiet, quiet, quiet, quiet, quiet, quiet, quiet, quiet, quiet,
                   quiet, quiet});
  shared.SetEndpoint(endpoint);

  // Warm both up; the first check learns the header numbers, the second is
  // recorded: a check without new mail, as most checks are.
  check.CheckAllAccounts();
  transport.recording = true;
  check.CheckAllAccounts();
  transport.recording = false;
  BareLoop bare;
  if (quiet.errors != 0 || transport.requests.size() != list.size() || !wininet.address() ||
      !bare.Open(*wininet.address())) {
    std::fprintf(stderr, "check-cost: the warm-up check failed (%u errors, %zu requests)\n",
                 quiet.errors, transport.requests.size());
    return 1;
  }
  for (const auto& r : transport.requests) bare.Post(r);

  LARGE_INTEGER frequency, a, b;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> checkMs, bareMs;
  double checkCpu = 0, bareCpu = 0;
  for (int round = 0; round < rounds; ++round) {
    // Alternate which goes first, so that neither always finds a warmer cache.
    for (int turn = 0; turn < 2; ++turn) {
      const bool checkTurn = (round + turn) % 2 == 0;
      const double cpu = ThreadCpuMs();
      QueryPerformanceCounter(&a);
      if (checkTurn) {
        check.CheckAllAccounts();
      } else {
        for (const auto& r : transport.requests) bare.Post(r);
      }
      QueryPerformanceCounter(&b);
      (checkTurn ? checkCpu : bareCpu) += ThreadCpuMs() - cpu;
      (checkTurn ? checkMs : bareMs)
          .push_back(1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
    }
  }
  if (quiet.errors != 0) {
    std::fprintf(stderr, "check-cost: %u checks failed during the run\n", quiet.errors);
    return 1;
  }
  const double c = Median(checkMs), r = Median(bareMs);
  std::printf("accounts=%zu rounds=%d check_median_ms=%.3f bare_wininet_median_ms=%.3f ratio=%.3f "
              "check_cpu_ms=%.0f bare_cpu_ms=%.0f cpu_ratio=%.3f\n",
              list.size(), rounds, c, r, r > 0 ? c / r : 0.0, checkCpu, bareCpu,
              bareCpu > 0 ? checkCpu / bareCpu : 0.0);
  CoUninitialize();
  return 0;
}

}  // namespace qpbench
