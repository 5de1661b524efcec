// Answers the dialogs a multi-file download shows in another process (the
// script host that drives the control), as a user would:
//
//   download_probe browse-dialog              waits for the folder browser;
//                                             prints "HWND PID"
//   download_probe browse-answer HWND PATH    selects PATH and presses OK
//   download_probe browse-answer HWND cancel  presses Cancel
//   download_probe message-answer PID ok|cancel
//                                             waits for the themed message
//                                             box of PID and answers it
//                                             (Enter or Escape)
//   download_probe message-shown PID          waits for that message box
//   download_probe progress-shown PID         waits for the progress dialog;
//                                             prints its rectangle
//
// Waits are bounded (30 s); exit code 1 when nothing showed.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
  DWORD pid = 0;      // 0: any process
  bool messageBox = false;
  HWND found = nullptr;
};

BOOL CALLBACK IsTreeView(HWND child, LPARAM found) {
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (wcscmp(cls, L"SysTreeView32") != 0) return TRUE;
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

// The folder browser: a dialog with a tree of folders somewhere inside.
bool HasTreeView(HWND window) {
  bool found = false;
  EnumChildWindows(window, IsTreeView, reinterpret_cast<LPARAM>(&found));
  return found;
}

BOOL CALLBACK FindBrowser(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(window) && HasTreeView(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The control's themed dialogs are titled "Quillpost" and have no
// controls; the message box (166 x 100 dialog units) is much taller for
// its width than the download progress dialog (224 x 52).
BOOL CALLBACK FindThemed(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t cls[64] = {};
  wchar_t text[64] = {};
  GetClassNameW(window, cls, 64);
  GetWindowTextW(window, text, 64);
  if (pid != search->pid || wcscmp(cls, L"#32770") != 0 || wcscmp(text, L"Quillpost") != 0 ||
      !IsWindowVisible(window)) {
    return TRUE;
  }
  RECT r{};
  GetWindowRect(window, &r);
  const bool tall = (r.bottom - r.top) * 10 > (r.right - r.left) * 4;
  if (tall == search->messageBox) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitFor(WNDENUMPROC finder, Search search) {
  for (int i = 0; i < 300; ++i) {
    search.found = nullptr;
    EnumWindows(finder, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(100);
  }
  return nullptr;
}

HWND ParseWindow(const wchar_t* text) {
  return reinterpret_cast<HWND>(static_cast<INT_PTR>(_wcstoi64(text, nullptr, 0)));
}

BOOL CALLBACK FindTreeView(HWND child, LPARAM found) {
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (wcscmp(cls, L"SysTreeView32") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// Memory in the dialog's process, where the dialog and its tree read and
// write what the messages point at.
class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, SIZE_T bytes)
      : process_(process),
        address_(static_cast<char*>(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE,
                                                   PAGE_READWRITE))) {}
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  char* At(SIZE_T offset) const { return address_ + offset; }
  bool Ok() const { return address_ != nullptr; }
  bool Write(SIZE_T offset, const void* data, SIZE_T bytes) const {
    return WriteProcessMemory(process_, address_ + offset, data, bytes, nullptr) != FALSE;
  }
  bool Read(SIZE_T offset, void* data, SIZE_T bytes) const {
    return ReadProcessMemory(process_, address_ + offset, data, bytes, nullptr) != FALSE;
  }

 private:
  HANDLE process_;
  char* address_;
};

// The text of the tree's selected item, read through the dialog's process.
std::wstring SelectedFolder(HWND tree, const RemoteBlock& block, SIZE_T itemAt, SIZE_T textAt) {
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return {};
  TVITEMW query{};
  query.mask = TVIF_TEXT;
  query.hItem = item;
  query.pszText = reinterpret_cast<wchar_t*>(block.At(textAt));
  query.cchTextMax = MAX_PATH;
  if (!block.Write(itemAt, &query, sizeof(query))) return {};
  if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.At(itemAt)))) return {};
  wchar_t text[MAX_PATH + 1] = {};
  if (!block.Read(textAt, text, MAX_PATH * sizeof(wchar_t))) return {};
  return text;
}

// Selects PATH as a user would click through the tree: the folder browser
// fills its tree as it starts, so the selection is made again until the
// tree shows the folder selected.
int BrowseAnswer(HWND dialog, const std::wstring& path) {
  if (!IsWindow(dialog)) return 1;
  if (path == L"cancel") return PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0) ? 0 : 1;
  HWND tree = nullptr;
  EnumChildWindows(dialog, FindTreeView, reinterpret_cast<LPARAM>(&tree));
  if (!tree) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(dialog, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return 1;
  const SIZE_T pathBytes = (path.size() + 1) * sizeof(wchar_t);
  const SIZE_T itemAt = (pathBytes + 15) / 16 * 16;
  const SIZE_T textAt = itemAt + sizeof(TVITEMW);
  bool selected = false;
  {
    RemoteBlock block(process, textAt + (MAX_PATH + 1) * sizeof(wchar_t));
    const std::wstring leaf = path.substr(path.find_last_of(L'\\') + 1);
    if (block.Ok() && block.Write(0, path.c_str(), pathBytes)) {
      for (int attempt = 0; attempt < 100 && !selected; ++attempt) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(block.At(0)),
                            SMTO_ABORTIFHUNG, 10000, &result);
        selected = _wcsicmp(SelectedFolder(tree, block, itemAt, textAt).c_str(), leaf.c_str()) == 0;
        if (!selected) Sleep(100);
      }
    }
  }
  CloseHandle(process);
  if (!selected) return 1;
  return PostMessageW(dialog, WM_COMMAND, IDOK, 0) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring verb = argv[1];
  if (verb == L"browse-dialog") {
    HWND dialog = WaitFor(FindBrowser, Search{});
    if (!dialog) return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(dialog, &pid);
    std::printf("%lld %lu\n", static_cast<long long>(reinterpret_cast<INT_PTR>(dialog)),
                static_cast<unsigned long>(pid));
    return 0;
  }
  if (verb == L"browse-answer" && argc == 4) return BrowseAnswer(ParseWindow(argv[2]), argv[3]);
  if (verb == L"message-answer" && argc == 4) {
    HWND box = WaitFor(FindThemed, Search{static_cast<DWORD>(_wtoi(argv[2])), true});
    if (!box) return 1;
    const WPARAM key = std::wstring(argv[3]) == L"ok" ? VK_RETURN : VK_ESCAPE;
    PostMessageW(box, WM_KEYDOWN, key, 1);
    PostMessageW(box, WM_KEYUP, key, 0xC0000001);
    return 0;
  }
  if (verb == L"message-shown" && argc == 3) {
    return WaitFor(FindThemed, Search{static_cast<DWORD>(_wtoi(argv[2])), true}) ? 0 : 1;
  }
  if (verb == L"progress-shown" && argc == 3) {
    HWND progress = WaitFor(FindThemed, Search{static_cast<DWORD>(_wtoi(argv[2])), false});
    if (!progress) return 1;
    RECT r{};
    GetWindowRect(progress, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
  }
  return 2;
}
