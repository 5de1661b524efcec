#include "control/downloads/win32/address_parser_win.h"

#include <windows.h>
#include <wininet.h>

#include <string>

#include "common/win32/wide_win.h"

namespace gwax {

bool IsSplittableAddress(std::u16string_view address) {
  const std::u16string text(address);
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = 1;
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  return InternetCrackUrlW(qp::Wide(text), static_cast<DWORD>(text.size()), 0, &parts) != FALSE;
}

}  // namespace gwax
