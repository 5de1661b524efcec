#include "control/shell/win32/clipboard_win.h"

namespace gwax {

UploadResult PrepareClipboardNotBuilt(HWND, const PasteRequest&) { return UploadResult(); }
void ConvertClipboardNotBuilt(HWND) {}
void RestoreClipboardNotBuilt() {}

}  // namespace gwax
