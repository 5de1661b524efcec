// What EndMultipleDownload does with the listed files: the folder, the
// free space, each file in turn with its overwrite question, and the
// messages, over ports that the control's window code fills.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "control/downloads/download_list.h"

namespace gwax {

// One opened address: the answer's head and its body.
class Transfer {
 public:
  virtual ~Transfer() = default;
  // The HTTP status code.
  virtual uint32_t Status() = 0;
  virtual std::optional<uint64_t> ContentLength() = 0;
  // At most `capacity` bytes into `buffer`: how many, 0 at the end,
  // nothing on a read error.
  virtual std::optional<size_t> Read(char* buffer, size_t capacity) = 0;
};

// A created target file.
class FileSink {
 public:
  virtual ~FileSink() = default;
  virtual bool Write(const char* bytes, size_t count) = 0;
  // False when what was written could not be kept.
  virtual bool Close() = 0;
};

class DownloadPorts {
 public:
  virtual ~DownloadPorts() = default;
  // The folder the user picks, ending in "\"; nothing when cancelled.
  virtual std::optional<std::u16string> PickFolder(const std::u16string& title) = 0;
  // Free bytes for this user on the drive; nothing when the system can't tell.
  virtual std::optional<uint64_t> FreeBytes(const std::u16string& root) = 0;
  // A file or folder of that path exists.
  virtual bool Exists(const std::u16string& path) = 0;
  // A themed message box: `buttons` 1 for OK and Cancel, 0 for OK alone;
  // 1 when OK closed it.
  virtual int Message(const std::u16string& text, const std::u16string& caption, int buttons) = 0;
  // Nothing when the address can't be opened.
  virtual std::unique_ptr<Transfer> Open(const std::u16string& address) = 0;
  // Creates (or replaces) the file; nothing when it can't be created.
  virtual std::unique_ptr<FileSink> Create(const std::u16string& path) = 0;
  virtual void Remove(const std::u16string& path) = 0;
  // The progress dialog "Downloading...", made once for all files.
  virtual void ShowProgress() = 0;
  // Its window still exists.
  virtual bool ProgressShown() = 0;
  virtual void SetProgress(int32_t done, int32_t range) = 0;
  virtual void CloseProgress() = 0;
};

// Bytes asked of the network at a time.
inline constexpr size_t kDownloadPiece = 4096;

// Runs the download of every listed file; the list is left as it was. The
// progress shows the bytes of all files so far, updated as the bar moves.
void RunDownloads(const DownloadList& list, DownloadPorts& ports);

}  // namespace gwax
