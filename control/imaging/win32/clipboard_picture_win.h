// The clipboard's picture (a bitmap or an enhanced metafile) as a JPEG
// file in the user's temporary folder, and the HTML fragment that shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace gwax {

struct ConvertedPicture {
  std::u16string path;
  uint32_t width = 0;
  uint32_t height = 0;
};

// Encodes the open clipboard's CF_BITMAP (or, without one, its
// CF_ENHMETAFILE played into a bitmap) as "clipNNNN.jpg" in the temporary
// folder. The clipboard is left as it is.
std::optional<ConvertedPicture> SaveClipboardPictureAsJpeg();

// Replaces the open clipboard's content by the fragment that shows
// `picture` and the clipboard's CF_DIB (when there was one). False, with
// the clipboard unchanged, when the path does not fit the fragment.
bool PutPictureFragment(const ConvertedPicture& picture);

}  // namespace gwax
