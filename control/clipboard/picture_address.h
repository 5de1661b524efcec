// Which picture addresses of copied HTML the paste uploads or copies.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gwax {

enum class PictureSource {
  kLocalFile,      // "file://" and a local drive path
  kStoredPicture,  // the host's own "/download.php" under the base address
  kOther,          // left as it stands
};

// `address` as the HTML holds it; `base` the upload base address (scheme,
// host and port) as UTF-8.
PictureSource ClassifyPictureAddress(std::string_view address, std::string_view base);

// The local path of a "file://" address: "file://" and one more "/"
// dropped, the rest UTF-8 (no %-escapes decoded) of at most 259
// characters. Only a drive path ("C:\..." or "C:/...") counts: no server
// shares, no "\\?\" or "\\.\" forms, no further colons, no control
// characters, no device names (CON, NUL, COM1 ... with or without an
// extension) as a component.
std::optional<std::u16string> LocalPicturePath(std::string_view address);

// `head` (the first bytes of a file, up to 64) starts like a picture:
// JPEG, PNG, GIF, BMP, TIFF, WebP, EMF or WMF.
bool HasPictureSignature(std::string_view head);
constexpr size_t kPictureSignatureBytes = 64;

// The part of `path` after its last "\" or "/".
std::u16string_view FileNamePart(std::u16string_view path);

}  // namespace gwax
