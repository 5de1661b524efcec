// Files another program holds on the clipboard without having them on
// disk: each saved into a folder of its own, uploaded, and removed.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstddef>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "common/win32/com_init_win.h"
#include "common/win32/com_ptr_win.h"
#include "common/win32/global_memory_win.h"
#include "common/win32/handle_win.h"
#include "common/win32/stg_medium_win.h"
#include "common/win32/wide_win.h"
#include "control/clipboard/virtual_file_list.h"
#include "control/clipboard/win32/clipboard_blocks_win.h"
#include "control/clipboard/win32/file_uploads_win.h"
#include "control/dialogs/win32/progress_thread_win.h"
#include "control/downloads/file_name.h"

namespace gwax {
namespace {

// The list block the portable reader walks is the system's descriptor
// array, on both widths.
static_assert(sizeof(FILEDESCRIPTORA) == kFileDescriptorSize, "332-byte descriptors");
static_assert(offsetof(FILEDESCRIPTORA, cFileName) == kFileDescriptorNameOffset,
              "the name at offset 72");
static_assert(sizeof(FILEDESCRIPTORA::cFileName) == kFileDescriptorNameBytes, "260-byte names");
static_assert(offsetof(FILEGROUPDESCRIPTORA, fgd) == 4, "a 32-bit count first");

constexpr ULONG kChunkBytes = 2048;

// A new, empty folder inside the temporary folder, removed with what is
// left in it when the owner goes. Its name is new, so nothing saved in it
// can replace a file that was there.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return;
    const std::u16string base = qp::FromWide(temp);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      wchar_t name[32];
      const unsigned mixed = (GetTickCount() * 2654435761u + attempt * 40503u) ^
                             static_cast<unsigned>(GetCurrentProcessId());
      swprintf(name, 32, L"gwx%08x.tmp", mixed);
      std::u16string candidate = base + qp::FromWide(name);
      if (CreateDirectoryW(qp::Wide(candidate), nullptr)) {
        path_ = candidate + u"\\";
        return;
      }
      if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
  }
  ~ScratchFolder() {
    if (path_.empty()) return;
    WIN32_FIND_DATAW found;
    const std::u16string pattern = path_ + u"*";
    if (const qp::UniqueFind search(FindFirstFileW(qp::Wide(pattern), &found)); search) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
          DeleteFileW(qp::Wide(path_ + qp::FromWide(found.cFileName)));
        }
      } while (FindNextFileW(search.Get(), &found));
    }
    RemoveDirectoryW(qp::Wide(path_.substr(0, path_.size() - 1)));
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Empty when no folder could be made.
  const std::u16string& Path() const { return path_; }

 private:
  std::u16string path_;
};

// Copies the stream into a new file in pieces of 2048 bytes. Fails on a
// read error, or when nothing at all was written.
bool SaveStream(IStream* stream, const std::u16string& path) {
  qp::UniqueHandle file(CreateFileW(qp::Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  char buffer[kChunkBytes];
  uint64_t written = 0;
  for (;;) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(buffer, kChunkBytes, &read);
    if (FAILED(hr)) return false;
    if (read > 0) {
      DWORD done = 0;
      if (!WriteFile(file.Get(), buffer, read, &done, nullptr) || done != read) return false;
      written += done;
    }
    if (read < kChunkBytes) break;
  }
  return written > 0;
}

bool SaveStorage(IStorage* storage, const std::u16string& path) {
  qp::ComPtr<IStorage> copy;
  if (FAILED(StgCreateDocfile(qp::Wide(path), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                              0, copy.Put()))) {
    return false;
  }
  return SUCCEEDED(storage->CopyTo(0, nullptr, nullptr, copy.Get())) &&
         SUCCEEDED(copy->Commit(STGC_DEFAULT));
}

// Saves item `index` of the data object under `path`.
bool SaveItem(IDataObject* data, LONG index, const std::u16string& path) {
  FORMATETC format{static_cast<CLIPFORMAT>(Formats().fileContents), nullptr, DVASPECT_CONTENT,
                   index, TYMED_ISTREAM | TYMED_ISTORAGE};
  qp::UniqueStgMedium owned;
  if (FAILED(data->GetData(&format, owned.Put()))) return false;
  const STGMEDIUM& medium = owned.Get();
  if (medium.tymed == TYMED_ISTREAM && medium.pstm) return SaveStream(medium.pstm, path);
  if (medium.tymed == TYMED_ISTORAGE && medium.pstg) return SaveStorage(medium.pstg, path);
  return false;
}

std::u16string WideFromCodePage(const std::string& name) {
  if (name.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()),
                                         nullptr, 0);
  if (length <= 0) return {};
  std::u16string wide(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()),
                      reinterpret_cast<wchar_t*>(wide.data()), length);
  return wide;
}

std::optional<std::vector<std::string>> ListedNames(IDataObject* data) {
  FORMATETC format{static_cast<CLIPFORMAT>(Formats().fileList), nullptr, DVASPECT_CONTENT, -1,
                   TYMED_HGLOBAL};
  qp::UniqueStgMedium medium;
  if (FAILED(data->GetData(&format, medium.Put()))) return std::nullopt;
  if (medium.Get().tymed != TYMED_HGLOBAL) return std::nullopt;
  qp::GlobalLock lock(medium.Get().hGlobal);
  if (!lock.Data()) return std::nullopt;
  return VirtualFileNames({static_cast<const char*>(lock.Data()), lock.Size()});
}

}  // namespace

UploadResult UploadVirtualFiles(const UploadTarget& target, qp::ClipboardOpen& clipboard) {
  UploadResult result;
  // The system's clipboard object can't be read while this program holds
  // the clipboard open.
  clipboard.Close();
  qp::OleInitialization ole;
  qp::ComPtr<IDataObject> data;
  if (FAILED(OleGetClipboard(data.Put())) || !data) return result;
  const std::optional<std::vector<std::string>> names = ListedNames(data.Get());
  if (!names) return result;

  ScratchFolder folder;
  if (folder.Path().empty()) return result;
  ProgressThread progress(target.module, u"Uploading...", target.theme);
  Feedback* feedback = progress.feedback();
  for (size_t i = 0; i < names->size(); ++i) {
    const std::u16string name = SafeFileName(WideFromCodePage((*names)[i]));
    const std::u16string path = folder.Path() + name;
    if (path.size() < MAX_PATH && SaveItem(data.Get(), static_cast<LONG>(i), path)) {
      if (feedback) {
        feedback->SetText(u"Uploading " + name);
        feedback->SetProgress(0, 1);
      }
      AddUploaded(result, UploadFile(target.SaveAddress(), path, target.user, feedback),
                  qp::Utf8FromUtf16(name));
    }
    DeleteFileW(qp::Wide(path));
    if (feedback && feedback->IsCancelled()) break;
  }
  return result;
}

}  // namespace gwax
