// The addresses the programs hand to a browser or the shell.
#pragma once

#include <string_view>

#include "common/text.h"

namespace qp {

// http and https addresses only. Everything else (file:, javascript:, UNC
// paths, other protocols, a leading blank) is refused before DDE, a command
// line or the shell sees it.
inline bool IsWebAddress(std::u16string_view address) {
  return StartsWithAsciiNoCase(address, u"http://") || StartsWithAsciiNoCase(address, u"https://");
}

}  // namespace qp
