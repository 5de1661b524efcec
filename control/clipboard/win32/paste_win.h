// The clipboard work around a paste, while the calling member holds the
// clipboard open: what the clipboard holds, the uploads that make its
// local content pasteable, and the restore afterwards.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/clipboard_win.h"
#include "control/clipboard/upload_result.h"

namespace gwax {

struct PasteRequest {
  std::u16string host;
  std::u16string user;
  std::u16string theme;
  std::u16string sid;
};

// What the open clipboard holds, as far as a paste goes.
struct ClipboardState {
  bool any = false;           // any format at all
  bool html = false;          // CF_HTML with a valid header and no "cid:" picture
  bool image = false;         // CF_BITMAP or CF_ENHMETAFILE
  bool files = false;         // CF_HDROP
  bool virtualFiles = false;  // "FileContents", unless there is also CF_TEXT
  bool text = false;          // CF_TEXT
};
ClipboardState AnalyseClipboard();

// Uploads the clipboard's local content to `request.host` and rewrites the
// clipboard to point at the uploaded copies; what was replaced is kept in
// the clipboard's "QX" formats. Virtual files are read with `clipboard`
// closed (it is closed then).
UploadResult PrepareClipboardContent(HINSTANCE module, HWND window, const PasteRequest& request,
                                     qp::ClipboardOpen& clipboard);

// Makes what the editor can't paste pasteable without uploading: HTML with
// "cid:" pictures becomes its text and bitmap, a picture a fragment that
// shows a JPEG copy, files an empty fragment.
void ConvertClipboardContent();

// Puts back what PrepareClipboardContent kept, beside what is there.
void RestoreClipboardContent();

}  // namespace gwax
