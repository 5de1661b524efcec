#include "control/downloads/download_sequence.h"

#include "control/constants.h"
#include "control/downloads/download_rules.h"

namespace gwax {
namespace {

// The running state of one EndMultipleDownload.
struct Run {
  DownloadPorts& ports;
  uint64_t total;            // the listed sizes
  bool progressMade = false;
  uint64_t before = 0;       // bytes of the files already downloaded
  int64_t shownStep = -1;    // the bar as last shown, in steps of its range
};

// A hundredth of the bar, three pixels of one some 300 pixels wide: each
// update repaints at once, and a repaint for every 4 KiB piece would cost
// more than the transfer.
constexpr uint64_t kProgressSteps = 100;

void ShowProgress(Run& run, uint64_t done, uint64_t range) {
  const auto [position, of] = ProgressNumbers(done, range);
  const int64_t step = of == 0 ? 0 : static_cast<int64_t>(uint64_t(position) * kProgressSteps / uint64_t(of));
  if (step == run.shownStep || !run.ports.ProgressShown()) return;
  run.shownStep = step;
  run.ports.SetProgress(position, of);
}

// Fetches the body into the created file. False on a read error, a failed
// write, or a body shorter than announced.
bool CopyBody(Run& run, Transfer& transfer, FileSink& file, uint64_t range,
              std::optional<uint64_t> length, uint64_t* received) {
  char piece[kDownloadPiece];
  for (;;) {
    const std::optional<size_t> got = transfer.Read(piece, sizeof(piece));
    if (!got) return false;
    if (*got == 0) break;
    *received += *got;
    ShowProgress(run, run.before + *received, range);
    if (!file.Write(piece, *got)) return false;
  }
  return !length || *received >= *length;
}

// One file; false when it failed, with no file left under its name.
bool DownloadOne(Run& run, const std::u16string& address, const std::u16string& path) {
  if (!IsDownloadableAddress(address)) return false;
  std::unique_ptr<Transfer> transfer = run.ports.Open(address);
  if (!transfer || transfer->Status() >= 400) return false;
  const std::optional<uint64_t> length = transfer->ContentLength();
  const uint64_t range = ProgressRange(run.total, length);
  std::unique_ptr<FileSink> file = run.ports.Create(path);
  if (!file) return false;
  if (!run.progressMade) {
    run.ports.ShowProgress();
    run.progressMade = true;
    run.before = 0;
  }
  run.shownStep = -1;  // each file's range may differ
  uint64_t received = 0;
  const bool copied = CopyBody(run, *transfer, *file, range, length, &received);
  const bool kept = file->Close();
  file.reset();
  if (!copied || !kept) {
    run.ports.Remove(path);
    return false;
  }
  run.before += received;
  return true;
}

}  // namespace

void RunDownloads(const DownloadList& list, DownloadPorts& ports) {
  if (list.Count() == 0) return;
  const std::optional<std::u16string> folder = ports.PickFolder(FolderBrowserTitle(list.names));
  if (!folder) return;
  Run run{ports, TotalSize(list.sizes)};
  if (!HasEnoughSpace(ports.FreeBytes(DriveRoot(*folder)), run.total)) {
    ports.Message(u"Not enough disk space.", kDialogTitle, 0);
    return;
  }
  for (size_t i = 0; i < list.Count(); ++i) {
    const std::u16string path = *folder + list.names[i];
    if (ports.Exists(path) && ports.Message(OverwriteQuestion(list.names[i]), u"Warning", 1) != 1) {
      continue;
    }
    if (!DownloadOne(run, list.addresses[i], path)) {
      ports.Message(u"Download failed.", kDialogTitle, 0);
      break;
    }
  }
  if (run.progressMade) ports.CloseProgress();
}

}  // namespace gwax
