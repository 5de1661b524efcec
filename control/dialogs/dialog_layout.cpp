#include "control/dialogs/dialog_layout.h"

#include "common/text.h"

namespace gwax {
namespace {

constexpr int kButtonGap = 5;
constexpr int kButtonBand = 30;
constexpr int kBarInset = 6;

constexpr std::u16string_view kThemes[] = {u"blue", u"green", u"pink", u"retro", u"steel"};

}  // namespace

std::u16string_view ThemeWord(std::u16string_view themeName) {
  for (std::u16string_view theme : kThemes) {
    if (qp::EqualsAsciiNoCase(themeName, theme)) return theme;
  }
  return u"green";
}

void LayoutButtons(int windowWidth, int windowHeight, std::vector<ButtonBox>& buttons) {
  if (buttons.empty()) return;
  int total = 0;
  for (const auto& b : buttons) total += b.width;
  total += kButtonGap * static_cast<int>(buttons.size() - 1);
  const int h = buttons.front().height;
  const int top = windowHeight - (kButtonBand - h) / 2 - h;
  int left = (windowWidth - total) / 2;
  for (auto& b : buttons) {
    b.left = left;
    b.top = top;
    left += b.width + kButtonGap;
  }
}

std::optional<int> KeyResult(const std::vector<ButtonBox>& buttons, int enterIndex,
                             int escapeIndex, unsigned key) {
  const int index = key == kKeyEnter ? enterIndex : key == kKeyEscape ? escapeIndex : -1;
  if (index < 0 || static_cast<size_t>(index) >= buttons.size()) return std::nullopt;
  return buttons[static_cast<size_t>(index)].result;
}

std::optional<int> CommandResult(const std::vector<ButtonBox>& buttons, int id) {
  for (const auto& b : buttons) {
    if (b.result == id) return b.result;
  }
  return std::nullopt;
}

bool WantsLightCaption(uint8_t red, uint8_t green, uint8_t blue) {
  // Perceived brightness (ITU-R BT.601 weights) below the middle.
  return 299 * red + 587 * green + 114 * blue < 128000;
}

int ProgressFillRight(int width, int32_t position, int32_t range) {
  const int64_t span = static_cast<int64_t>(width) - 2 * kBarInset;
  if (range <= 0 || position <= 0 || span <= 0) return kBarInset;
  if (position >= range) return kBarInset + static_cast<int>(span);
  return kBarInset + static_cast<int>(span * position / range);
}

}  // namespace gwax
