// A message's sender, subject and text come from the server: any UTF-16 at
// all. They are split into words and laid out in rectangles of any size,
// with a measurer of fixed advances, and the layout's promises are checked.
//
// Input: 12 bytes of parameters (rectangle, reserve, icon width, advances,
// heights, line height, no-wrap), then the text as UTF-16 (little-endian);
// U+0001 separates the sender, the subject and the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "notifier/popup/body_layout.h"
#include "notifier/popup/fixed_measurer.h"
#include "notifier/popup/text_runs.h"

namespace {

using namespace qptn;

int Signed(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)) / 8; }

bool IsSeparator(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

void CheckWords(const std::vector<TextRun>& runs) {
  for (const TextRun& run : runs) {
    if (run.kind == RunKind::kLineBreak || run.kind == RunKind::kIcon) continue;
    if (run.text.empty()) __builtin_trap();
    for (char16_t c : run.text) {
      if (IsSeparator(c) || c == u'\0') __builtin_trap();
    }
  }
}

void CheckLayout(const BodyLayout& layout, const LayoutInput& in, int lineHeight, int dot,
                 size_t runCount) {
  if (layout.words.size() + layout.icons.size() > runCount) __builtin_trap();
  if (layout.complete == layout.ellipsis.has_value()) __builtin_trap();
  const int lh = std::max(1, lineHeight);
  const int lines = std::max(1, in.rect.Height() / lh);
  const int furthest = std::max(in.rect.right, in.rect.right - in.reserve - dot);
  auto check = [&](const Rect& r) {
    if (r.right < r.left || r.left < in.rect.left) __builtin_trap();
    if (r.top < in.rect.top || (r.top - in.rect.top) % lh != 0) __builtin_trap();
    if ((r.top - in.rect.top) / lh >= lines) __builtin_trap();
    if (r.right > furthest && r.right != r.left) __builtin_trap();
  };
  size_t links = 0;
  for (const PlacedWord& w : layout.words) {
    check(w.rect);
    if (w.font == FontRole::kLink) ++links;
  }
  for (const Rect& r : layout.icons) check(r);
  if (links != layout.links.size()) __builtin_trap();
  if (layout.ellipsis && layout.ellipsis->top < in.rect.top) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 12) return 0;
  LayoutInput in;
  in.rect = RectAt(Signed(data), Signed(data + 2), Signed(data + 4), Signed(data + 6));
  in.reserve = static_cast<int8_t>(data[8]);
  in.iconWidth = data[9] & 0x3F;
  in.honourNoWrap = data[9] & 0x40;
  FixedMeasurer measurer;
  const int bodyAdvance = data[10] & 0x0F;
  const int lineHeight = data[11] & 0x1F;
  measurer.SetAll({bodyAdvance, 14, lineHeight});
  measurer.Set(FontRole::kBold, {data[10] >> 4, 16, lineHeight});

  std::u16string text;
  for (size_t i = 12; i + 1 < size; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  std::u16string parts[3];
  size_t part = 0;
  for (char16_t c : text) {
    if (c == 1 && part < 2) {
      ++part;
    } else {
      parts[part].push_back(c);
    }
  }

  CheckWords(SplitWords(text));
  RunList body;
  ComposeMessage(body, {std::nullopt, parts[0], parts[1], parts[2], (data[9] & 0x80) != 0});
  CheckWords(body.Runs());
  const int dot = bodyAdvance;
  CheckLayout(LayOutBody(body.Runs(), measurer, in), in, lineHeight, dot, body.Runs().size());
  // The delete result's form: every word bold.
  body.MakeAllBold();
  CheckLayout(LayOutBody(body.Runs(), measurer, in), in, lineHeight, dot, body.Runs().size());
  return 0;
}
