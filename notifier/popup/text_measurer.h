// What the popup's layout needs to know about text on the screen: how large
// a piece of text is in one of the popup's fonts, and a font's line height.
#pragma once

#include <string_view>

namespace qptn {

// The popup's fonts by what they are used for. kBody is the font of plain
// body words: the normal font, or one that can show the scripts of the
// message (chosen before each paint).
enum class FontRole { kBody, kNormal, kBold, kLink, kLarge };

struct TextSize {
  int width = 0;
  int height = 0;
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // The size of `text` on one line, prefix characters ("&") taken literally.
  virtual TextSize Measure(FontRole font, std::u16string_view text) = 0;
  // The distance from one line's top to the next one's.
  virtual int LineHeight(FontRole font) = 0;
};

}  // namespace qptn
