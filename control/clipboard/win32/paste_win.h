// The clipboard work around a paste, while the calling member holds the clipboard: not built yet.
//
// Until it is, each step leaves the clipboard as it is and reports that
// nothing was uploaded.
#pragma once

#include <windows.h>

#include <string>

#include "control/clipboard/upload_result.h"

namespace gwax {

struct PasteRequest {
  std::u16string host;
  std::u16string user;
  std::u16string theme;
  std::u16string sid;
};

UploadResult PrepareClipboardNotBuilt(HWND owner, const PasteRequest& request);
void ConvertClipboardNotBuilt(HWND owner);
void RestoreClipboardNotBuilt();

}  // namespace gwax
