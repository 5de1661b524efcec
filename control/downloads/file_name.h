// Attachment names made safe to save: the page names the files, and its
// content includes mail that anyone can write.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gwax {

// The longest file name the file system takes, in UTF-16 units.
inline constexpr size_t kMaxNameUnits = 255;

// `name` as a plain file name inside the chosen folder: path separators
// ("\" and "/") and drive or stream colons removed, control characters
// dropped, the characters file names can't hold (< > " | ? *), unpaired
// surrogates and the invisible formatting characters that can make a name
// read as another (bidirectional controls, zero-width characters and the
// like) as "_", "." and ".." as whole names "_", trailing dots and spaces
// removed, a leading "_" before a reserved device name (CON, PRN, AUX,
// NUL, CONIN$, CONOUT$, COM1-9, LPT1-9, with or without an extension), and
// "download" for what ends up empty. The result may be longer than a file
// name can be: FittedName shortens it.
std::u16string SafeFileName(std::u16string_view name);

// `name` (one path component) names a device whatever folder it is in: CON,
// PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 or LPT1-9 (also with the digits
// written superscript) in any case, alone, with trailing blanks or with an
// extension ("con .log", "NUL.png").
bool IsReservedDeviceName(std::u16string_view name);

// The unit as the file system upper-cases it to compare names: its simple
// uppercase letter, over the whole Basic Multilingual Plane, where that
// letter's lowercase is the unit again (so the micro sign, dotless i, long s
// and final sigma stay as they are). Each unit stands alone, so surrogates
// (and letters beyond the plane) stay as they are.
char16_t UpcaseNameUnit(char16_t unit);

// The two names are one file to the file system: equal once upper-cased.
bool SameFileName(std::u16string_view a, std::u16string_view b);

// `stem` + `suffix` + `extension`, with `stem` cut so that the whole fits
// in kMaxNameUnits; an extension too long to leave a unit of the stem is
// cut too. No cut splits a surrogate pair, and a name that ends up ending
// in dots or spaces loses them, as the file system would.
std::u16string FittedName(std::u16string_view stem, std::u16string_view suffix,
                          std::u16string_view extension);

}  // namespace gwax
