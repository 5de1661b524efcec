// Geometry and input rules of the themed dialogs, apart from the window system.
//
// Where the message box's buttons stand, which keys and commands close the
// box, and how far the progress bar is filled.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace gwax {

// The theme word (lower case) of a page's theme name, compared without
// regard to letter case; unknown names mean "green".
std::u16string_view ThemeWord(std::u16string_view themeName);

struct ButtonBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int result = 0;
};

// Places buttons of the given sizes side by side, 5 pixels apart, centred
// in the bottom band of 30 pixels of a window of the given size (the first
// button's height decides the row's top).
void LayoutButtons(int windowWidth, int windowHeight, std::vector<ButtonBox>& buttons);

inline constexpr unsigned kKeyEnter = 13;
inline constexpr unsigned kKeyEscape = 27;

// The result that releasing `key` on the box itself closes it with: Enter
// gives the Enter button's, Escape the Escape button's when there is one.
std::optional<int> KeyResult(const std::vector<ButtonBox>& buttons, int enterIndex,
                             int escapeIndex, unsigned key);

// The result that a command for control `id` closes the box with: a
// button's id is its result, and only the box's own buttons close it. The
// dialog manager names Cancel (2) for Escape and for closing the window,
// which a box with only OK does not have.
std::optional<int> CommandResult(const std::vector<ButtonBox>& buttons, int id);

// Whether the message box caption, drawn on the band of the theme colour,
// reads better in white than in black.
bool WantsLightCaption(uint8_t red, uint8_t green, uint8_t blue);

// Right end of the bar's filled part in a client area `width` wide: from 6
// to width - 6 in proportion to position / range, the product in 64 bits.
// A range of 0 and negative positions fill nothing; positions beyond the
// range fill the whole bar.
int ProgressFillRight(int width, int32_t position, int32_t range);

}  // namespace gwax
