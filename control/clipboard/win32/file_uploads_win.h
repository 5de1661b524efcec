// Whole files from the clipboard uploaded as attachments: files copied in
// a file manager (CF_HDROP) and files another program holds without
// having them on disk ("FileGroupDescriptor" and "FileContents").
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/win32/clipboard_win.h"
#include "control/clipboard/upload_result.h"
#include "control/upload/win32/upload_win.h"

namespace gwax {

// Where and as whom a paste uploads, and what its dialogs look like.
struct UploadTarget {
  std::u16string base;  // scheme, host and port, without a path
  std::u16string user;
  std::u16string theme;
  std::u16string sid;
  HINSTANCE module = nullptr;  // the dialogs' resources
  HWND window = nullptr;       // the control window, parent of the modeless dialog

  std::u16string SaveAddress() const { return base + u"/saveFile.php"; }
};

// Adds `name` with the answer's key and size when the upload succeeded
// with a path the host serves (one that begins with "/").
bool AddUploaded(UploadResult& result, const UploadOutcome& outcome, std::string_view nameUtf8);

// Uploads every file of the open clipboard's CF_HDROP list (folders
// skipped, shortcuts as their targets) behind a modeless progress dialog,
// then leaves on the clipboard only the list, as "QX HDROP Format". Does
// nothing without CF_HDROP.
UploadResult UploadDroppedFiles(const UploadTarget& target);

// Closes `clipboard`, then uploads the virtual files of the OLE
// clipboard, each saved first in a new folder of its own inside the
// temporary folder that is removed afterwards. The clipboard's content is
// left as it is; it stays closed.
UploadResult UploadVirtualFiles(const UploadTarget& target, qp::ClipboardOpen& clipboard);

}  // namespace gwax
