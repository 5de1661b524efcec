// Files copied in a file manager.
#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

#include "common/text.h"
#include "common/utf8.h"
#include "common/win32/com_ptr_win.h"
#include "common/win32/wide_win.h"
#include "control/clipboard/drop_list.h"
#include "control/clipboard/picture_address.h"
#include "control/clipboard/win32/clipboard_blocks_win.h"
#include "control/clipboard/win32/file_uploads_win.h"
#include "control/dialogs/win32/feedback_win.h"

namespace gwax {
namespace {

bool IsFolder(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(qp::Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsShortcut(std::u16string_view path) {
  const size_t dot = path.rfind(u'.');
  return dot != std::u16string_view::npos && qp::EqualsAsciiNoCase(path.substr(dot + 1), u"lnk");
}

// The target of the shortcut at `path`, or the path itself when the
// shortcut can't be read.
std::u16string ShortcutTarget(const std::u16string& path) {
  qp::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.PutVoid()))) {
    return path;
  }
  auto file = link.As<IPersistFile>(IID_IPersistFile);
  if (!file || FAILED(file->Load(qp::Wide(path), STGM_READ))) return path;
  wchar_t target[MAX_PATH] = {};
  if (link->GetPath(target, MAX_PATH, nullptr, 0) != S_OK || target[0] == 0) return path;
  return qp::FromWide(target);
}

}  // namespace

UploadResult UploadDroppedFiles(const UploadTarget& target) {
  UploadResult result;
  const std::optional<std::string> list = ReadClipboardBlock(CF_HDROP);
  // A list the system would read past the end of counts as none: nothing
  // is uploaded and the clipboard stays as it is.
  if (!list || !IsReadableDropList(*list)) return result;
  HANDLE drop = GetClipboardData(CF_HDROP);
  const UINT count = DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
  if (count > 0) {
    // Modeless on this thread: repainted by the progress calls only, and
    // every file is tried.
    QptFeedback feedback(target.module, u"Uploading...", target.theme);
    feedback.Progress().ShowModeless(target.window);
    for (UINT i = 0; i < count; ++i) {
      wchar_t buffer[MAX_PATH] = {};
      if (DragQueryFileW(static_cast<HDROP>(drop), i, buffer, MAX_PATH) == 0) continue;
      std::u16string path = qp::FromWide(buffer);
      if (IsFolder(path)) continue;
      if (IsShortcut(path)) path = ShortcutTarget(path);
      feedback.SetText(u"Uploading " + path);
      feedback.SetProgress(0, 1);
      AddUploaded(result, UploadFile(target.SaveAddress(), path, target.user, &feedback),
                  qp::Utf8FromUtf16(FileNamePart(path)));
    }
  }
  // The paste inserts nothing; the list comes back after it.
  if (EmptyClipboard()) SetClipboardBlock(Formats().savedFiles, *list);
  return result;
}

}  // namespace gwax
