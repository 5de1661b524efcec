// gwaxbench.exe: the control's download measured under Wine (see
// bench/control_downloads.py).
//
//   gwaxbench download-cost ADDRESS FOLDER ROUNDS
//       alternates, round by round, the control's download of ADDRESS into
//       FOLDER (the sequence and its Windows ports, the folder answered
//       without the browser) and a bare WinINet loop reading ADDRESS into a
//       file in 4096-byte pieces; prints both medians and their ratio.
//   gwaxbench download-peak ADDRESS FOLDER ROUNDS
//       only the control's download; prints the process's peak working set
//       before the first and after the last.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/win32/wide_win.h"
#include "common/win32/wininet_win.h"
#include "control/downloads/download_sequence.h"
#include "control/downloads/win32/download_ports_win.h"

namespace {

// The Windows ports with the folder given and messages printed.
class BenchPorts : public gwax::Win32DownloadPorts {
 public:
  explicit BenchPorts(std::u16string folder)
      : Win32DownloadPorts(GetModuleHandleW(nullptr), nullptr, u"blue"), folder_(std::move(folder)) {}
  std::optional<std::u16string> PickFolder(const std::u16string&) override { return folder_; }
  // Only a failure reaches here: each round starts without the file.
  int Message(const std::u16string& text, const std::u16string&, int) override {
    std::fprintf(stderr, "message: %ls\n", qp::Wide(text));
    failed = true;
    return 1;
  }
  bool failed = false;

 private:
  std::u16string folder_;
};

bool ControlDownload(const std::u16string& address, const std::u16string& folder) {
  DeleteFileW(qp::Wide(folder + u"control.bin"));
  gwax::DownloadList list;
  list.addresses.push_back(address);
  list.names.push_back(u"control.bin");
  list.sizes.push_back(0);
  BenchPorts ports(folder);
  gwax::RunDownloads(list, ports);
  return !ports.failed;
}

bool BareDownload(const std::u16string& address, const std::u16string& folder) {
  qp::UniqueInternet session(InternetOpenW(gwax::kDownloadAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return false;
  qp::UniqueInternet request(InternetOpenUrlW(session.Get(), qp::Wide(address), nullptr, 0,
                                              gwax::kDownloadFlags, 0));
  if (!request) return false;
  const std::u16string path = folder + u"bare.bin";
  HANDLE file = CreateFileW(qp::Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char piece[4096];
  DWORD read = 0;
  bool ok = true;
  while (ok && InternetReadFile(request.Get(), piece, sizeof(piece), &read) && read > 0) {
    DWORD written = 0;
    ok = WriteFile(file, piece, read, &written, nullptr) && written == read;
  }
  CloseHandle(file);
  return ok;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

SIZE_T PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakWorkingSetSize;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: gwaxbench download-cost|download-peak ADDRESS FOLDER ROUNDS\n");
    return 2;
  }
  const std::wstring verb = argv[1];
  const std::u16string address = qp::FromWide(argv[2]);
  std::u16string folder = qp::FromWide(argv[3]);
  if (folder.back() != u'\\') folder.push_back(u'\\');
  const int rounds = std::max(1, _wtoi(argv[4]));
  if (verb == L"download-peak") {
    const SIZE_T before = PeakWorkingSet();
    for (int i = 0; i < rounds; ++i) {
      if (!ControlDownload(address, folder)) return 1;
    }
    std::printf("peak working set: before %.1f MiB, after %d downloads %.1f MiB\n", before / 1048576.0,
                rounds, PeakWorkingSet() / 1048576.0);
    return 0;
  }
  if (verb != L"download-cost") return 2;
  std::vector<double> control, bare;
  for (int i = 0; i < rounds; ++i) {
    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    if (!BareDownload(address, folder)) return 1;
    QueryPerformanceCounter(&t1);
    if (!ControlDownload(address, folder)) return 1;
    QueryPerformanceCounter(&t2);
    bare.push_back(Seconds(t0, t1));
    control.push_back(Seconds(t1, t2));
  }
  std::printf("rounds %d: control median %.3f s, bare WinINet median %.3f s, ratio %.3f\n", rounds,
              Median(control), Median(bare), Median(control) / Median(bare));
  return 0;
}
