// Attachment names made safe to save: the page names the files, and its
// content includes mail that anyone can write.
#pragma once

#include <string>
#include <string_view>

namespace gwax {

// `name` as a plain file name inside the chosen folder: path separators
// ("\" and "/") and drive or stream colons removed, control characters
// dropped, the characters file names can't hold (< > " | ? *) as "_", "."
// and ".." as whole names "_", trailing dots and spaces removed, a leading
// "_" before a reserved device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM1-9, LPT1-9, with or without an extension), and "download" for what ends up empty.
std::u16string SafeFileName(std::u16string_view name);

// `name` (one path component) names a device whatever folder it is in: CON,
// PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 or LPT1-9 (also with the digits
// written superscript) in any case, alone, with trailing blanks or with an
// extension ("con .log", "NUL.png").
bool IsReservedDeviceName(std::u16string_view name);

}  // namespace gwax
