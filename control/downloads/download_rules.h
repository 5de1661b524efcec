// The small decisions of a multi-file download: the folder browser's title,
// the free-space check, the progress bar's numbers and which addresses are
// fetched.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gwax {

// "Choose the destination folder for " and the names ("a.txt", "a.txt and
// b.txt", "a.txt, b.txt and c.txt"), or "the N files selected." for more
// than five.
std::u16string FolderBrowserTitle(const std::vector<std::u16string>& names);

// The first three characters of the folder: its drive's root ("C:\").
std::u16string DriveRoot(const std::u16string& folder);

// The listed sizes added up, without wrapping at 4 GiB.
uint64_t TotalSize(const std::vector<uint32_t>& sizes);

// Enough when the system can't tell (nothing) or when the free bytes
// exceed the total; as many free bytes as the total is not enough.
bool HasEnoughSpace(std::optional<uint64_t> freeBytes, uint64_t total);

// The bar's range: the listed total, else the answer's Content-Length,
// else 0 (an empty bar).
uint64_t ProgressRange(uint64_t total, std::optional<uint64_t> contentLength);

// `done` out of `range` in the progress dialog's 32-bit numbers, scaled
// down together when the range passes 2^31 - 1; `done` is held to the
// range, and a range of 0 gives 0 of 0.
std::pair<int32_t, int32_t> ProgressNumbers(uint64_t done, uint64_t range);

// A Content-Length header's value: decimal digits, no more than 64 bits.
std::optional<uint64_t> ParseContentLength(std::u16string_view text);

// Only http and https addresses are fetched; the system's client would
// also open local files and other schemes a page could name.
bool IsDownloadableAddress(std::u16string_view address);

// The path as the file functions are given it: past the classic limit of
// MAX_PATH (260) units, a path on a drive or a share in its long form
// ("\\?\C:\..." or "\\?\UNC\server\share\..."), which the system
// takes as it stands, up to 32,767 units; other paths unchanged.
std::u16string FilePathForm(const std::u16string& path);

// The question before a file of the same name is replaced.
std::u16string OverwriteQuestion(const std::u16string& name);

}  // namespace gwax
