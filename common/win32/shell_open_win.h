// Opening a web address with the shell's "open" verb, behind the one guard
// of every address the notifier hands to another program.
#pragma once

#include <windows.h>

#include <string_view>

namespace qp {

// Opens `address` with the shell (owner window `owner`, show state normal)
// when it is a web address (IsWebAddress); anything else is refused and
// written to the debugger's output. True when the shell was asked.
bool ShellOpenWebAddress(HWND owner, std::u16string_view address);

}  // namespace qp
