// The attachments a page lists for one multi-file download.
//
// Three parallel lists, filled by AddDownload and emptied when the
// download ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace gwax {

struct DownloadList {
  std::vector<std::u16string> addresses;
  std::vector<std::u16string> names;
  std::vector<uint32_t> sizes;

  void Clear() {
    addresses.clear();
    names.clear();
    sizes.clear();
  }
  size_t Count() const { return names.size(); }
};

// Whether the platform's address parser splits `address` into its parts;
// addresses it can't split are relative to the page.
using AbsoluteAddressTest = std::function<bool(std::u16string_view address)>;

// Bytes named by a size text such as "1.5 MB", "2 KB" or "100 bytes":
// a leading decimal number times the unit (K, M or G among the first eight
// characters; bytes otherwise), cut to an integer. Negative and unreadable
// sizes count as 0, sizes of 4 GiB and more as 0xFFFFFFFF.
uint32_t ParseSizeText(std::u16string_view text);

// `name`, or `name` with "(n)" before its last "." (or at its end) for the
// lowest n that no name in `taken` equals as the file system compares
// names (file_name.h); each candidate fitted to the longest file name.
std::u16string UniqueName(const std::vector<std::u16string>& taken, const std::u16string& name);

// The address as stored: relative addresses are joined to the page base.
std::u16string ResolveAddress(const std::u16string& address, const std::u16string& pageBase,
                              const AbsoluteAddressTest& isAbsolute);

// Appends one attachment: its name made safe (file_name.h) and unique in
// the list, its address resolved, its size text read.
void AddDownload(DownloadList& list, const std::u16string& address, const std::u16string& name,
                 std::u16string_view sizeText, const std::u16string& pageBase,
                 const AbsoluteAddressTest& isAbsolute);

}  // namespace gwax
