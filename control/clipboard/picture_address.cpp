#include "control/clipboard/picture_address.h"

#include <cstdint>

#include "common/text.h"
#include "common/utf8.h"
#include "control/downloads/file_name.h"

namespace gwax {
namespace {

constexpr std::string_view kFileScheme = "file://";
// MAX_PATH less its terminator: what the system opens without the long-path prefix we refuse.
constexpr size_t kMaxLocalPath = 259;

bool StartsWithFileScheme(std::string_view address) {
  if (address.size() < kFileScheme.size()) return false;
  for (size_t i = 0; i < kFileScheme.size(); ++i) {
    const auto c = static_cast<unsigned char>(address[i]);
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : static_cast<char>(c);
    if (lower != kFileScheme[i]) return false;
  }
  return true;
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool Begins(std::string_view head, std::string_view signature, size_t at = 0) {
  return head.size() >= at + signature.size() && head.substr(at, signature.size()) == signature;
}

uint32_t LittleEndian32(std::string_view head, size_t at) {
  uint32_t v = 0;
  for (size_t i = 4; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(head[at + i]);
  return v;
}

// A bitmap's file header is followed by one of the known info headers,
// named by their sizes; "BM" alone starts too much text.
bool IsBitmap(std::string_view head) {
  if (!Begins(head, "BM") || head.size() < 18) return false;
  switch (LittleEndian32(head, 14)) {
    case 12:
    case 16:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
      return true;
    default:
      return false;
  }
}

}  // namespace

PictureSource ClassifyPictureAddress(std::string_view address, std::string_view base) {
  if (address.size() >= 8 && StartsWithFileScheme(address)) return PictureSource::kLocalFile;
  if (!base.empty() && address.size() >= base.size() && address.substr(0, base.size()) == base &&
      address.substr(base.size()).substr(0, 13) == "/download.php") {
    return PictureSource::kStoredPicture;
  }
  return PictureSource::kOther;
}

std::optional<std::u16string> LocalPicturePath(std::string_view address) {
  if (!StartsWithFileScheme(address)) return std::nullopt;
  std::string_view rest = address.substr(kFileScheme.size());
  if (!rest.empty() && rest[0] == '/') rest.remove_prefix(1);
  std::u16string path = qp::Utf16FromUtf8(rest);
  // The conversion marks what is not UTF-8; only what comes back unchanged was UTF-8.
  if (qp::Utf8FromUtf16(path) != rest) return std::nullopt;
  if (path.size() < 3 || path.size() > kMaxLocalPath) return std::nullopt;
  const bool drive = path[0] < 0x80 && qp::LowerAscii(path[0]) >= u'a' &&
                     qp::LowerAscii(path[0]) <= u'z' && path[1] == u':' && IsSeparator(path[2]);
  if (!drive) return std::nullopt;
  size_t componentStart = 3;
  for (size_t i = 2; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) {
      const char16_t c = path[i];
      if (c < 0x20 || c == u':' || c == u'*' || c == u'?' || c == u'<' || c == u'>' || c == u'|' ||
          c == u'"') {
        return std::nullopt;
      }
      continue;
    }
    // A separator (or the end): two in a row would let "\\server" or "\\?\" in.
    if (i > 2) {
      const std::u16string_view component(path.data() + componentStart, i - componentStart);
      if (i < path.size() && component.empty()) return std::nullopt;
      if (IsReservedDeviceName(component)) return std::nullopt;
    }
    componentStart = i + 1;
  }
  return path;
}

bool HasPictureSignature(std::string_view head) {
  using namespace std::string_view_literals;
  if (Begins(head, "\xFF\xD8\xFF")) return true;                        // JPEG
  if (Begins(head, "\x89PNG\r\n\x1A\n")) return true;                   // PNG
  if (Begins(head, "GIF87a") || Begins(head, "GIF89a")) return true;    // GIF
  if (IsBitmap(head)) return true;                                      // BMP
  if (Begins(head, "II*\0"sv) || Begins(head, "MM\0*"sv)) return true;  // TIFF
  if (Begins(head, "RIFF") && Begins(head, "WEBP", 8)) return true;     // WebP
  // EMF: its header record (type 1) with the signature at 40.
  if (head.size() >= 44 && LittleEndian32(head, 0) == 1 && Begins(head, " EMF", 40)) return true;
  if (Begins(head, "\xD7\xCD\xC6\x9A")) return true;  // placeable WMF
  // A WMF header without the placeable one before it, kept in memory or on disk.
  return Begins(head, "\x01\0\x09\0"sv) || Begins(head, "\x02\0\x09\0"sv);
}

std::u16string_view FileNamePart(std::u16string_view path) {
  const size_t separator = path.find_last_of(u"\\/");
  return separator == std::u16string_view::npos ? path : path.substr(separator + 1);
}

}  // namespace gwax
