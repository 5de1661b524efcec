// A text measurer with a fixed advance per character and a fixed height per
// font, so that a layout's rectangles can be worked out by hand. For the
// tests and the fuzzer.
#pragma once

#include <array>
#include <string_view>

#include "notifier/popup/text_measurer.h"

namespace qptn {

class FixedMeasurer : public TextMeasurer {
 public:
  struct Metrics {
    int advance = 0;     // per UTF-16 code unit
    int height = 0;      // of a measured piece
    int lineHeight = 0;  // from one line to the next
  };

  // Every font 1 pixel per character, 14 high, lines 14 apart, unless set.
  FixedMeasurer() { metrics_.fill({1, 14, 14}); }

  void Set(FontRole font, Metrics metrics) { metrics_[Index(font)] = metrics; }
  // The same metrics for every font.
  void SetAll(Metrics metrics) { metrics_.fill(metrics); }

  TextSize Measure(FontRole font, std::u16string_view text) override {
    const Metrics& m = metrics_[Index(font)];
    return {m.advance * static_cast<int>(text.size()), m.height};
  }
  int LineHeight(FontRole font) override { return metrics_[Index(font)].lineHeight; }

 private:
  static size_t Index(FontRole font) { return static_cast<size_t>(font); }
  std::array<Metrics, 5> metrics_{};
};

}  // namespace qptn
