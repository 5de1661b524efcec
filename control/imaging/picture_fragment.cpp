#include "control/imaging/picture_fragment.h"

#include <string>

namespace gwax {
namespace {

// Each field starts where the header's offsets expect it, whatever it holds.
constexpr size_t kWidthAt = 231;
constexpr size_t kHeightAt = 245;
constexpr size_t kNumberBytes = 6;
constexpr size_t kPathAt = 265;
constexpr size_t kPathBytes = 250;
constexpr size_t kMaxPathBytes = 248;

const std::string& FragmentTemplate() {
  static const std::string block = [] {
    std::string b =
        "Version:1.0\r\n"
        "StartHTML:0000000107\r\n"
        "EndHTML:0000000555\r\n"
        "StartFragment:0000000220\r\n"
        "EndFragment:0000000517\r\n"
        "\r\n"
        "<html>\r\n"
        "<head>\r\n"
        "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">\r\n"
        "<body>\r\n"
        "<!--StartFragment-->\r\n"
        "<img width=4      height=1       src=\"file://";
    b.append(kPathBytes, ' ');
    b += ">\r\n"
         "<!--EndFragment-->\r\n"
         "</body>\r\n"
         "</html>\r\n";
    b += '\0';
    return b;
  }();
  return block;
}

bool PutNumber(std::string& block, size_t at, uint32_t value) {
  const std::string digits = std::to_string(value);
  if (digits.size() > kNumberBytes) return false;
  block.replace(at, digits.size(), digits);
  return true;
}

}  // namespace

std::optional<std::string> PictureFragmentBlock(std::string_view pathUtf8, uint32_t width,
                                                uint32_t height) {
  if (pathUtf8.empty() || pathUtf8.size() > kMaxPathBytes) return std::nullopt;
  // No path the system makes holds these; one that did would end the attribute or the text.
  for (char c : pathUtf8) {
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) return std::nullopt;
  }
  std::string block = FragmentTemplate();
  block.replace(kWidthAt, kNumberBytes, kNumberBytes, ' ');
  block.replace(kHeightAt, kNumberBytes, kNumberBytes, ' ');
  if (!PutNumber(block, kWidthAt, width) || !PutNumber(block, kHeightAt, height))
    return std::nullopt;
  block.replace(kPathAt, pathUtf8.size(), pathUtf8);
  block[kPathAt + pathUtf8.size()] = '"';
  return block;
}

std::u16string ClipFileName(std::u16string_view folder, uint16_t counter) {
  static const char16_t kHex[] = u"0123456789abcdef";
  std::u16string name(folder);
  name += u"clip";
  for (int shift = 12; shift >= 0; shift -= 4) name += kHex[(counter >> shift) & 15];
  name += u".jpg";
  return name;
}

std::optional<MetafilePictureSize> MetafilePictureSizeFor(const MetafileRect& frame,
                                                          const MetafileRect& bounds) {
  const int64_t width = (int64_t{frame.right} * 1024 + 299) / 30000;
  const int64_t height = (int64_t{frame.bottom} * 1024 + 299) / 30000;
  const int64_t across = int64_t{bounds.right} + bounds.left;
  const int64_t down = int64_t{bounds.bottom} + bounds.top;
  int64_t fittedWidth = width, fittedHeight = height;
  if (across > 0 && down > 0) {
    if (height * across > width * down) {
      fittedHeight = width * down / across;
    } else {
      fittedWidth = height * across / down;
    }
  }
  for (int64_t side : {width, height, fittedWidth, fittedHeight}) {
    if (side <= 0 || side > kMaxPictureSide) return std::nullopt;
  }
  if (width * height > kMaxPicturePixels) return std::nullopt;
  return MetafilePictureSize{static_cast<int32_t>(width), static_cast<int32_t>(height),
                             static_cast<int32_t>(fittedWidth), static_cast<int32_t>(fittedHeight)};
}

}  // namespace gwax
