#include "notifier/popup/win32/contrast_win.h"

#include "common/win32/wide_win.h"

namespace qptn {

namespace {

// Where the system keeps the user's high-contrast flags.
constexpr wchar_t kStoredKey[] = L"Control Panel\\Accessibility\\HighContrast";

Rgb SystemColour(int index) {
  const COLORREF c = GetSysColor(index);
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

std::optional<uint32_t> StoredFlags() {
  wchar_t text[16] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(HKEY_CURRENT_USER, kStoredKey, L"Flags", RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return StoredContrastFlags(qp::FromWide(text));
}

}  // namespace

SystemContrast ReadSystemContrast() {
  HIGHCONTRASTW queried{};
  queried.cbSize = sizeof queried;
  if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof queried, &queried, 0)) {
    queried.dwFlags = 0;
  }
  SystemContrast system;
  system.highContrast = HighContrastOn(queried.dwFlags, StoredFlags());
  system.colours = {SystemColour(COLOR_WINDOW), SystemColour(COLOR_WINDOWTEXT),
                    SystemColour(COLOR_HOTLIGHT)};
  return system;
}

}  // namespace qptn
