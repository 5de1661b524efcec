// AddDownload's arguments come from the page's script: the size text, the
// file name and the address, resolved against the page address; the
// Content-Length comes from the server. The input is three UTF-16 fields
// separated by NUL code units.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "control/downloads/download_list.h"
#include "control/downloads/download_rules.h"
#include "control/downloads/file_name.h"
#include "control/object/extent_record.h"
#include "control/object/page_base.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The same bytes as a stored extent record.
  if (auto extent = gwax::DecodeExtent(data, size)) {
    const auto again = gwax::EncodeExtent(*extent);
    for (size_t i = 0; i < again.size(); ++i) {
      if (again[i] != data[i]) __builtin_trap();
    }
  }

  std::vector<std::u16string> fields(1);
  for (size_t i = 0; i + 1 < size; i += 2) {
    const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0 && fields.size() < 3) {
      fields.emplace_back();
    } else {
      fields.back().push_back(unit);
    }
  }
  fields.resize(3);
  const std::u16string base = gwax::PageBase(fields[0]);
  if (base.size() > fields[0].size()) __builtin_trap();

  gwax::DownloadList list;
  const auto isAbsolute = [](std::u16string_view a) {
    return a.find(u"://") != std::u16string_view::npos;
  };
  // The name as given, and upper-cased as the file system compares names.
  std::u16string upper = fields[1];
  for (char16_t& c : upper) c = gwax::UpcaseNameUnit(c);
  for (int i = 0; i < 4; ++i) {
    gwax::AddDownload(list, fields[0], i % 2 ? upper : fields[1], fields[2], base, isAbsolute);
  }
  // Names are one file each to the file system, and each fits a file name.
  for (size_t i = 0; i < list.names.size(); ++i) {
    if (list.names[i].size() > gwax::kMaxNameUnits) __builtin_trap();
    for (size_t j = i + 1; j < list.names.size(); ++j) {
      if (gwax::SameFileName(list.names[i], list.names[j])) __builtin_trap();
    }
  }
  if (list.sizes.size() != 4 || list.addresses.size() != 4) __builtin_trap();

  // A saved name never leaves the folder or names a device, and cleaning
  // it again changes nothing.
  for (const auto& field : fields) {
    const std::u16string safe = gwax::SafeFileName(field);
    if (safe.empty() || safe == u"." || safe == u".." || gwax::SafeFileName(safe) != safe) __builtin_trap();
    for (size_t i = 0; i < safe.size(); ++i) {
      const char16_t c = safe[i];
      if (c == u'\\' || c == u'/' || c == u':' || c < 0x20) __builtin_trap();
      // Nothing that reorders or hides what follows.
      if ((c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
          (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF) {
        __builtin_trap();
      }
      // Surrogates only in pairs.
      const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
      if (high && !(i + 1 < safe.size() && safe[i + 1] >= 0xDC00 && safe[i + 1] <= 0xDFFF)) __builtin_trap();
      if (low && !(i > 0 && safe[i - 1] >= 0xD800 && safe[i - 1] <= 0xDBFF)) __builtin_trap();
    }
    if (safe.back() == u'.' || safe.back() == u' ') __builtin_trap();
  }
  // The folder dialog names every file of a short list.
  const std::u16string title = gwax::FolderBrowserTitle(list.names);
  for (const auto& name : list.names) {
    if (title.find(name) == std::u16string::npos) __builtin_trap();
  }
  // The server's Content-Length, and the bar's numbers from any sizes.
  const auto length = gwax::ParseContentLength(fields[2]);
  if (length && fields[2].size() > 19) __builtin_trap();
  for (const auto& address : list.addresses) {
    if (!gwax::IsDownloadableAddress(address)) continue;
    const uint64_t range = gwax::ProgressRange(gwax::TotalSize(list.sizes), length);
    const auto [at, end] = gwax::ProgressNumbers(range / 2, range);
    if (at < 0 || end < 0 || at > end) __builtin_trap();
  }
  uint64_t done = 0, range = 0;
  for (size_t i = 0; i < 8 && i < size; ++i) done = done << 8 | data[i];
  for (size_t i = 8; i < 16 && i < size; ++i) range = range << 8 | data[i];
  const auto [position, of] = gwax::ProgressNumbers(done, range);
  if (position < 0 || of < 0 || position > of) __builtin_trap();
  return 0;
}
