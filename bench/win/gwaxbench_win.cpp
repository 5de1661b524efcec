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
//   gwaxbench upload-cost TARGET FILE ROUNDS
//       alternates the control's file upload of FILE to TARGET (its
//       multipart body over WinHTTP) and a bare WinHTTP loop posting the
//       same bytes in 8 KiB pieces; prints both medians and their ratio.
//   gwaxbench upload-peak TARGET FILE ROUNDS
//       only the control's upload, after a one-byte upload that sets up
//       WinHTTP; prints the peak working set before and after.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/utf8.h"
#include "common/win32/wide_win.h"
#include "bench/win/bare_transfers_win.h"
#include "control/downloads/download_sequence.h"
#include "control/downloads/win32/download_ports_win.h"
#include "control/upload/win32/upload_win.h"

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

using Transfer = bool (*)(const std::u16string& a, const std::u16string& b);

bool ControlUpload(const std::u16string& target, const std::u16string& file) {
  const gwax::UploadOutcome outcome = gwax::UploadFile(target, file, u"bench@quillpost.com", nullptr);
  return outcome.ok && !outcome.answer.path.empty() && outcome.answer.path[0] == '/';
}

// Alternates the two, round by round; prints the medians.
int Cost(Transfer control, Transfer bare, const std::u16string& a, const std::u16string& b, int rounds) {
  std::vector<double> controlTimes, bareTimes;
  for (int i = 0; i < rounds; ++i) {
    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    if (!bare(a, b)) return 1;
    QueryPerformanceCounter(&t1);
    if (!control(a, b)) return 1;
    QueryPerformanceCounter(&t2);
    bareTimes.push_back(Seconds(t0, t1));
    controlTimes.push_back(Seconds(t1, t2));
  }
  std::printf("rounds %d: control median %.3f s, bare median %.3f s, ratio %.3f\n", rounds,
              Median(controlTimes), Median(bareTimes), Median(controlTimes) / Median(bareTimes));
  return 0;
}

// `warmUp` first, so that what the system's client sets up once (its
// libraries, threads and buffers) counts as idle.
int Peak(Transfer control, const std::u16string& a, const std::u16string& b, int rounds,
         const std::u16string& warmUp) {
  if (!warmUp.empty() && !control(a, warmUp)) return 1;
  const SIZE_T before = PeakWorkingSet();
  for (int i = 0; i < rounds; ++i) {
    if (!control(a, b)) return 1;
  }
  const SIZE_T after = PeakWorkingSet();
  std::printf("peak working set: before %.2f MiB, after %d rounds %.2f MiB (%+.2f MiB)\n", before / 1048576.0,
              rounds, after / 1048576.0, (static_cast<double>(after) - static_cast<double>(before)) / 1048576.0);
  return 0;
}

// The same body the control sends, written plainly.
bool BareUpload(const std::u16string& target, const std::u16string& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(qp::Wide(file), GetFileExInfoStandard, &data)) return false;
  const std::string delimiter = gwax::MakeDelimiter(static_cast<uint32_t>(GetTickCount()));
  const gwax::MultipartBody body =
      gwax::FileUploadBody(delimiter, "bench@quillpost.com", qp::Utf8FromUtf16(gwax::FileNameOf(file)),
                           data.nFileSizeLow);
  const std::u16string header = qp::WidenAscii(gwax::ContentTypeHeader(delimiter));
  return qpbench::BareUpload(target, header, body.Segments()[0].bytes, file, body.Segments()[2].bytes);
}

bool ControlDownloadTo(const std::u16string& address, const std::u16string& folder) {
  return ControlDownload(address, folder);
}

bool BareDownloadTo(const std::u16string& address, const std::u16string& folder) {
  return qpbench::BareDownload(address, folder + u"bare.bin");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: gwaxbench download-cost|download-peak ADDRESS FOLDER ROUNDS\n"
                         "       gwaxbench upload-cost|upload-peak TARGET FILE ROUNDS\n");
    return 2;
  }
  const std::wstring verb = argv[1];
  const std::u16string first = qp::FromWide(argv[2]);
  std::u16string second = qp::FromWide(argv[3]);
  const int rounds = std::max(1, _wtoi(argv[4]));
  if (verb == L"download-cost" || verb == L"download-peak") {
    if (second.back() != u'\\') second.push_back(u'\\');
    return verb == L"download-cost" ? Cost(ControlDownloadTo, BareDownloadTo, first, second, rounds)
                                    : Peak(ControlDownloadTo, first, second, rounds, {});
  }
  if (verb == L"upload-cost") return Cost(ControlUpload, BareUpload, first, second, rounds);
  if (verb == L"upload-peak") {
    // A one-byte upload first, from a file beside the measured one.
    const std::u16string small = second + u".warm-up";
    HANDLE file = CreateFileW(qp::Wide(small), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "x", 1, &written, nullptr);
    CloseHandle(file);
    const int result = Peak(ControlUpload, first, second, rounds, small);
    DeleteFileW(qp::Wide(small));
    return result;
  }
  return 2;
}
