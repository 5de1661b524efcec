#include "control/clipboard/win32/paste_win.h"

namespace gwax {

UploadResult PrepareClipboardNotBuilt(HWND, const PasteRequest&) { return UploadResult(); }
void ConvertClipboardNotBuilt(HWND) {}
void RestoreClipboardNotBuilt() {}

}  // namespace gwax
