#include "common/win32/shell_open_win.h"

#include <shellapi.h>

#include <string>

#include "common/web_address.h"
#include "common/win32/wide_win.h"

namespace qp {

bool HandOffAllowed(std::u16string_view address) {
  if (IsWebAddress(address)) return true;
  const std::u16string line = u"qptn hand-off: refused " + EscapeControls(address) + u"\n";
  OutputDebugStringW(Wide(line));
  return false;
}

bool ShellOpenWebAddress(HWND owner, std::u16string_view address) {
  if (!HandOffAllowed(address)) return false;
  const std::u16string text(address);
  ShellExecuteW(owner, L"open", Wide(text), nullptr, nullptr, SW_SHOWNORMAL);
  return true;
}

}  // namespace qp
