// Opening a web address with the shell's "open" verb, behind the one guard
// of every address the notifier hands to another program.
#pragma once

#include <windows.h>

#include <string_view>

namespace qp {

// The guard itself: true for a web address (IsWebAddress); anything else is
// written to the debugger's output as refused, and false.
bool HandOffAllowed(std::u16string_view address);

// Opens `address` with the shell (owner window `owner`, show state normal)
// when HandOffAllowed lets it. True when the shell was asked.
bool ShellOpenWebAddress(HWND owner, std::u16string_view address);

}  // namespace qp
