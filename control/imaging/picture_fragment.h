// The CF_HTML fragment that carries one converted picture, and the sizes
// and names around the conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gwax {

constexpr size_t kPictureFragmentBytes = 556;

// The 556-byte fragment (and a NUL: 557 bytes) whose picture has `width`
// and `height` and the address "file://" + `pathUtf8`. The fields have fixed
// places, so the header's offsets stay as they are. Nothing when a number
// has more than 6 digits or the path more than 248 bytes (the closing quote
// must fit in the field).
std::optional<std::string> PictureFragmentBlock(std::string_view pathUtf8, uint32_t width,
                                                uint32_t height);

// `folder` (ending in a separator) + "clip" + `counter` as four lower-case
// hexadecimal digits + ".jpg".
std::u16string ClipFileName(std::u16string_view folder, uint16_t counter);

// A metafile's picture size: the frame's right and bottom (in 0.01 mm)
// as pixels, (n * 1024 + 299) / 30000, and that size fitted to the
// proportions of the bounds (right + left across, bottom + top down; kept
// as it is when either sum is 0 or less). Nothing for an empty or negative
// size, or one too large to paint (above kMaxPictureSide a side or
// kMaxPicturePixels in all).
struct MetafileRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct MetafilePictureSize {
  int32_t width = 0, height = 0;              // the rectangle the metafile is played into
  int32_t fittedWidth = 0, fittedHeight = 0;  // the bitmap
};
constexpr int32_t kMaxPictureSide = 16384;
constexpr int64_t kMaxPicturePixels = 64ll * 1024 * 1024;
std::optional<MetafilePictureSize> MetafilePictureSizeFor(const MetafileRect& frame,
                                                          const MetafileRect& bounds);

}  // namespace gwax
