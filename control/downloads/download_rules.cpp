#include "control/downloads/download_rules.h"

#include <limits>
#include <string>

#include "common/text.h"

namespace gwax {

std::u16string FolderBrowserTitle(const std::vector<std::u16string>& names) {
  std::u16string title = u"Choose the destination folder for ";
  if (names.size() > 5) {
    return title + u"the " + qp::WidenAscii(std::to_string(names.size())) + u" files selected.";
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) title += i + 1 == names.size() ? u" and " : u", ";
    title += names[i];
  }
  return title;
}

std::u16string DriveRoot(const std::u16string& folder) { return folder.substr(0, 3); }

uint64_t TotalSize(const std::vector<uint32_t>& sizes) {
  uint64_t total = 0;
  for (uint32_t size : sizes) total += size;
  return total;
}

bool HasEnoughSpace(std::optional<uint64_t> freeBytes, uint64_t total) {
  return !freeBytes || *freeBytes > total;
}

uint64_t ProgressRange(uint64_t total, std::optional<uint64_t> contentLength) {
  return total != 0 ? total : contentLength.value_or(0);
}

std::pair<int32_t, int32_t> ProgressNumbers(uint64_t done, uint64_t range) {
  if (done > range) done = range;
  while (range > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    range >>= 1;
    done >>= 1;
  }
  return {static_cast<int32_t>(done), static_cast<int32_t>(range)};
}

std::optional<uint64_t> ParseContentLength(std::u16string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;  // 19 digits always fit
  uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return value;
}

bool IsDownloadableAddress(std::u16string_view address) {
  return qp::StartsWithAsciiNoCase(address, u"http://") || qp::StartsWithAsciiNoCase(address, u"https://");
}

std::u16string FilePathForm(const std::u16string& path) {
  constexpr size_t kMaxPath = 260;  // the terminator included
  if (path.size() < kMaxPath) return path;
  const bool onDrive = path.size() >= 3 && ((path[0] | 0x20) >= u'a' && (path[0] | 0x20) <= u'z') &&
                       path[1] == u':' && path[2] == u'\\';
  if (onDrive) return u"\\\\?\\" + path;
  const bool onShare = path.size() >= 3 && path[0] == u'\\' && path[1] == u'\\' &&
                       path[2] != u'?' && path[2] != u'.' && path[2] != u'\\';
  if (onShare) return u"\\\\?\\UNC\\" + path.substr(2);
  return path;
}

std::u16string OverwriteQuestion(const std::u16string& name) {
  return u"The file '" + name + u"' already exists. Press OK to overwrite the existing file.";
}

}  // namespace gwax
