// Test helper run under Wine beside qptn.exe: looks at and pokes the running
// notifier the way other programs and the shell can. Prints plain lines;
// exit code 0 on success, 1 on a negative answer, 2 on bad usage.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>
#include <urlmon.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "common/win32/accessible_win.h"
#include "common/win32/handle_win.h"
#include "notifier/actions/win32/browser_win.h"

namespace {

constexpr UINT kExitCommand = 32771;
constexpr UINT kTrayUid = 1;

std::vector<HWND> NotifierWindows() {
  std::vector<HWND> found;
  EnumWindows(
      [](HWND w, LPARAM out) -> BOOL {
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        if (wcscmp(cls, L"QPTN") == 0) reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND ParseWindow(const wchar_t* text) {
  return reinterpret_cast<HWND>(static_cast<INT_PTR>(wcstoll(text, nullptr, 0)));
}

NOTIFYICONDATAW IconRecord(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window;
  data.uID = kTrayUid;
  return data;
}

int Windows() {
  for (HWND w : NotifierWindows()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t title[128] = {};
    GetWindowTextW(w, title, 128);
    std::printf("%lld %lu %ls %d\n", static_cast<long long>(reinterpret_cast<INT_PTR>(w)),
                pid, title, IsWindowVisible(w) ? 1 : 0);
  }
  return 0;
}

int SendExit(HWND w) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(w, WM_COMMAND, kExitCommand, 0, SMTO_ABORTIFHUNG, 5000, &result) ? 0 : 1;
}

// The shell answers a modification only for an icon it knows.
int TrayPresent(HWND w) {
  NOTIFYICONDATAW data = IconRecord(w);
  data.uFlags = 0;
  return Shell_NotifyIconW(NIM_MODIFY, &data) ? 0 : 1;
}

int TrayDelete(HWND w) {
  NOTIFYICONDATAW data = IconRecord(w);
  return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : 1;
}

int TaskbarCreated() {
  const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return PostMessageW(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
}

int Version(const wchar_t* path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return 1;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data())) return 1;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length)) return 1;
  std::printf("%u.%u.%u.%u\n", unsigned{HIWORD(info->dwFileVersionMS)},
              unsigned{LOWORD(info->dwFileVersionMS)}, unsigned{HIWORD(info->dwFileVersionLS)},
              unsigned{LOWORD(info->dwFileVersionLS)});
  return 0;
}

// A browser as the update needs one: downloads the package at `url` into
// C:\qp-packages, installs it silently with msiexec (waiting at most five
// minutes; its log is C:\qp-packages\install.log) and appends "URL EXITCODE"
// to `log`.
int InstallPackage(const wchar_t* log, const wchar_t* url) {
  CreateDirectoryW(L"C:\\qp-packages", nullptr);
  const wchar_t* name = wcsrchr(url, L'/');
  const std::wstring file = std::wstring(L"C:\\qp-packages\\") + (name ? name + 1 : L"package.msi");
  DWORD code = 1000;  // nothing downloaded
  if (SUCCEEDED(URLDownloadToFileW(nullptr, url, file.c_str(), 0, nullptr))) {
    std::wstring command = L"C:\\windows\\system32\\msiexec.exe /i \"" + file +
                           L"\" /qn /l*v C:\\qp-packages\\install.log";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    code = 1001;  // msiexec did not start or end
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
      const qp::UniqueHandle thread(process.hThread), installer(process.hProcess);
      if (WaitForSingleObject(installer.Get(), 300000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(installer.Get(), &code);
      }
    }
  }
  const qp::UniqueHandle out(CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return 1;
  char line[4096];
  const int n =
      std::snprintf(line, sizeof line, "%ls %lu\n", url, static_cast<unsigned long>(code));
  const DWORD length = n < 0 ? 0 : std::min<DWORD>(static_cast<DWORD>(n), sizeof line - 1);
  DWORD written = 0;
  WriteFile(out.Get(), line, length, &written, nullptr);
  return code == 0 ? 0 : 1;
}

// Registry verbs work below HKEY_CURRENT_USER; the value name "@" is the
// key's default value.
const wchar_t* ValueName(const wchar_t* name) { return wcscmp(name, L"@") == 0 ? nullptr : name; }

// One line per value: name, type and the stored bytes in hex.
int RegDump(const wchar_t* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 1;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256, type = 0, size = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
      break;
    }
    std::vector<BYTE> data(size + 1);
    nameLength = 256;
    RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size);
    std::printf("%ls\t%lu\t", nameLength ? name : L"@", type);
    for (DWORD b = 0; b < size; ++b) std::printf("%02x", data[b]);
    std::printf("\n");
  }
  RegCloseKey(key);
  return 0;
}

int RegSetString(const wchar_t* subkey, const wchar_t* name, const wchar_t* text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return 1;
  }
  const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
  const LONG status =
      RegSetValueExW(key, ValueName(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : 1;
}

int RegHasKey(const wchar_t* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 1;
  RegCloseKey(key);
  return 0;
}

int RegDeleteTree(const wchar_t* subkey) {
  const LONG status = RegDeleteTreeW(HKEY_CURRENT_USER, subkey);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

// WM_COMMAND with a command id, as the tray menu or another instance sends it.
int Command(HWND w, const wchar_t* id) {
  DWORD_PTR result = 0;
  const WPARAM command = static_cast<WPARAM>(wcstoul(id, nullptr, 0));
  return SendMessageTimeoutW(w, WM_COMMAND, command, 0, SMTO_ABORTIFHUNG, 5000, &result) ? 0 : 1;
}

// WM_TIMER with a timer id, as if that timer of the window had run out.
int Timer(HWND w, const wchar_t* id) {
  return PostMessageW(w, WM_TIMER, static_cast<WPARAM>(wcstoul(id, nullptr, 0)), 0) ? 0 : 1;
}

LRESULT CALLBACK FullScreenProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(w, message, wParam, lParam);
}

// Another program in full-screen mode, as a slide show is: a topmost popup
// window over the whole screen, brought to the foreground. Prints "ready
// HWND FOREGROUND" (1 when it is the foreground window) and runs until the
// window is closed ("close-window HWND").
int FullScreen() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FullScreenProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_HIGHLIGHT + 1));
  wc.lpszClassName = L"QPFullScreen";
  if (!RegisterClassW(&wc)) return 1;
  HWND w = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"Full-screen program",
                           WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance, nullptr);
  if (w == nullptr) return 1;
  SetForegroundWindow(w);
  UpdateWindow(w);
  std::printf("ready %lld %d\n", static_cast<long long>(reinterpret_cast<INT_PTR>(w)),
              GetForegroundWindow() == w ? 1 : 0);
  std::fflush(stdout);
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

// A small mouse movement: the user is at the computer.
int Nudge() {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dx = 1;
  input[1].mi.dx = -1;
  input[0].mi.dwFlags = input[1].mi.dwFlags = MOUSEEVENTF_MOVE;
  return SendInput(2, input, sizeof(INPUT)) == 2 ? 0 : 1;
}

// Visible dialogs with this title: "hwnd pid" and then each static text.
int Dialogs(const wchar_t* title) {
  struct Search {
    const wchar_t* title;
    int found;
  } search{title, 0};
  EnumWindows(
      [](HWND w, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t cls[16] = {}, text[256] = {};
        GetClassNameW(w, cls, 16);
        GetWindowTextW(w, text, 256);
        if (!IsWindowVisible(w) || wcscmp(cls, L"#32770") != 0 || wcscmp(text, s->title) != 0) {
          return TRUE;
        }
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        std::printf("%lld %lu\n", static_cast<long long>(reinterpret_cast<INT_PTR>(w)), pid);
        for (HWND c = GetWindow(w, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
          wchar_t child[16] = {}, line[1024] = {};
          GetClassNameW(c, child, 16);
          GetWindowTextW(c, line, 1024);
          if (_wcsicmp(child, L"Static") == 0 && line[0] != 0) std::printf("  %ls\n", line);
        }
        ++s->found;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  std::fflush(stdout);
  return search.found > 0 ? 0 : 1;
}

// What a program registered for addresses does with one: writes its whole
// command line, as UTF-8, to a file the test reads.
int Record(const wchar_t* file) {
  HANDLE out = CreateFileW(file, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 1;
  const wchar_t* line = GetCommandLineW();
  char bytes[8192];
  const int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof bytes - 2, nullptr, nullptr);
  DWORD written = 0;
  if (n > 0) {
    bytes[n - 1] = '\n';
    WriteFile(out, bytes, static_cast<DWORD>(n), &written, nullptr);
  }
  CloseHandle(out);
  return n > 0 ? 0 : 1;
}

// How many tools the popup's tooltip control holds (its buttons' tips).
int PopupTools() {
  struct Search {
    HWND popup;
    HWND tooltip;
  } search{FindWindowW(L"QPTNOTIFY", nullptr), nullptr};
  if (search.popup == nullptr) return 1;
  EnumWindows(
      [](HWND w, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t cls[32] = {};
        GetClassNameW(w, cls, 32);
        if (wcscmp(cls, TOOLTIPS_CLASSW) != 0 || GetWindow(w, GW_OWNER) != s->popup) return TRUE;
        s->tooltip = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (search.tooltip == nullptr) return 1;
  std::printf("%ld\n", static_cast<long>(SendMessageW(search.tooltip, TTM_GETTOOLCOUNT, 0, 0)));
  return 0;
}

// The popup window ("QPTNOTIFY"): handle, screen rectangle, visibility
// and layered opacity; then the work area the system reports.
int Popup() {
  HWND w = FindWindowW(L"QPTNOTIFY", nullptr);
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  if (w == nullptr) {
    std::printf("none\nworkarea %ld %ld %ld %ld\n", area.left, area.top, area.right, area.bottom);
    return 1;
  }
  RECT r{};
  GetWindowRect(w, &r);
  BYTE alpha = 0;
  DWORD flags = 0;
  GetLayeredWindowAttributes(w, nullptr, &alpha, &flags);
  wchar_t title[64] = {};
  GetWindowTextW(w, title, 64);
  std::printf("%lld %ld %ld %ld %ld %d %u %ls\nworkarea %ld %ld %ld %ld\n",
              static_cast<long long>(reinterpret_cast<INT_PTR>(w)), r.left, r.top, r.right,
              r.bottom, IsWindowVisible(w) ? 1 : 0, unsigned{alpha}, title, area.left, area.top,
              area.right, area.bottom);
  return 0;
}

void PrintUtf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// Every top-level window of the desktop, for a failing scenario's report:
// "hwnd visible pid program class "title"", one a line.
int TopLevel() {
  EnumWindows(
      [](HWND w, LPARAM) -> BOOL {
        wchar_t cls[128] = {}, title[256] = {}, program[MAX_PATH] = L"?";
        GetClassNameW(w, cls, 128);
        GetWindowTextW(w, title, 256);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
          DWORD size = MAX_PATH;
          if (QueryFullProcessImageNameW(process, 0, program, &size)) {
            const wchar_t* slash = wcsrchr(program, L'\\');
            if (slash) std::wmemmove(program, slash + 1, wcslen(slash + 1) + 1);
          }
          CloseHandle(process);
        }
        wchar_t line[600];
        swprintf(line, 600, L"%lld %d %lu %ls %ls \"%ls\"\n",
                 static_cast<long long>(reinterpret_cast<INT_PTR>(w)), IsWindowVisible(w) ? 1 : 0,
                 pid, program, cls, title);
        PrintUtf8(line);
        return TRUE;
      },
      0);
  std::fflush(stdout);
  return 0;
}

// --- driving the notifier's dialogs like a person --------------------------------

// The visible dialog that holds a control with `id`: its handle, or 1.
int DialogWith(int id) {
  struct Search {
    int id;
    HWND found = nullptr;
  } search{id};
  EnumWindows(
      [](HWND w, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        if (!IsWindowVisible(w) || wcscmp(cls, L"#32770") != 0 || !GetDlgItem(w, s->id)) {
          return TRUE;
        }
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (!search.found) return 1;
  std::printf("%lld\n", static_cast<long long>(reinterpret_cast<INT_PTR>(search.found)));
  return 0;
}

// "visible enabled checked text" of a control; a combo box's text is its edit field's.
int ControlState(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return 1;
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;  // WM_GETTEXT: a combo box answers with its edit field's text
  SendMessageTimeoutW(c, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &copied);
  const LRESULT checked = SendMessageW(c, BM_GETCHECK, 0, 0);
  std::printf("%d %d %d ", IsWindowVisible(c) ? 1 : 0, IsWindowEnabled(c) ? 1 : 0,
              checked == BST_CHECKED ? 1 : 0);
  PrintUtf8(std::wstring(text) + L"\n");
  return 0;
}

// A button pressed: its command posted, so a dialog it opens does not hold the probe.
int Press(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return 1;
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(c))
             ? 0
             : 1;
}

// A check box clicked: its state flips and the dialog hears of it.
int Toggle(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return 1;
  SendMessageW(c, BM_CLICK, 0, 0);
  return 0;
}

int SetText(HWND dialog, int id, const wchar_t* text) {
  return SetDlgItemTextW(dialog, id, text) ? 0 : 1;
}

// A combo box item chosen from its list, by its exact text.
int Pick(HWND dialog, int id, const wchar_t* text) {
  HWND c = GetDlgItem(dialog, id);
  const LRESULT index = c ? SendMessageW(c, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(text))
                          : CB_ERR;
  if (index == CB_ERR) return 1;
  SendMessageW(c, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
  return 0;
}

// Text typed into a combo box's edit field, then the focus leaving it.
int Type(HWND dialog, int id, const wchar_t* text) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return 1;
  SendMessageW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(c));
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_KILLFOCUS), reinterpret_cast<LPARAM>(c));
  return 0;
}

// "left top right bottom" of a window on the screen.
int WindowRect(HWND window) {
  RECT r{};
  if (!GetWindowRect(window, &r)) return 1;
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  return 0;
}

// A click at a point of the dialog's client area (the painted links).
int ClickAt(HWND dialog, int x, int y) {
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageW(dialog, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(dialog, WM_LBUTTONUP, 0, at);
  return 0;
}

// "left top right bottom" of a window's client area on the screen.
int ClientRect(HWND window) {
  RECT r{};
  if (!GetClientRect(window, &r)) return 1;
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  return 0;
}

// The system colours a high-contrast scheme sets, and Windows' "High
// Contrast Black" for them: black ground, white text, yellow links.
constexpr int kSchemeElements[] = {COLOR_WINDOW,    COLOR_WINDOWTEXT,    COLOR_HOTLIGHT,
                                   COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE,
                                   COLOR_BTNTEXT,   COLOR_GRAYTEXT};
constexpr COLORREF kHighContrastBlack[] = {RGB(0, 0, 0),       RGB(255, 255, 255), RGB(255, 255, 0),
                                           RGB(26, 235, 255),  RGB(0, 0, 0),       RGB(0, 0, 0),
                                           RGB(255, 255, 255), RGB(63, 242, 63)};
constexpr int kSchemeSize = sizeof kSchemeElements / sizeof kSchemeElements[0];

// Switches the system's high-contrast flag. Wine 8 cannot (its
// SPI_SETHIGHCONTRAST fails and its SPI_GETHIGHCONTRAST always answers 0):
// there the flags go where Windows keeps them in the user's profile, which
// a program reads when the query does not answer, and every window is told.
bool SwitchHighContrast(bool on) {
  const DWORD flags = HCF_AVAILABLE | HCF_HOTKEYAVAILABLE | (on ? HCF_HIGHCONTRASTON : 0);
  HIGHCONTRASTW hc{};
  hc.cbSize = sizeof hc;
  hc.dwFlags = flags;
  if (SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof hc, &hc,
                            SPIF_UPDATEINIFILE | SPIF_SENDCHANGE)) {
    std::printf("switched by the system\n");
    return true;
  }
  const std::wstring text = std::to_wstring(flags);
  if (RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Accessibility\\HighContrast", L"Flags",
                      REG_SZ, text.c_str(),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
    return false;
  }
  DWORD_PTR result = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST,
                      reinterpret_cast<LPARAM>(L"Accessibility"), SMTO_ABORTIFHUNG, 5000, &result);
  std::printf("switched in the profile\n");
  return true;
}

// "high-contrast on": the flag on and the "High Contrast Black" colours,
// after a line "previous C..." with the colours they replaced (COLORREF,
// hex); "high-contrast off C...": the flag off and those colours back.
// The flag goes first, so that windows told of the new colours find it.
int HighContrast(bool on, wchar_t** previous, int count) {
  COLORREF colours[kSchemeSize];
  if (on) {
    std::printf("previous");
    for (int i = 0; i < kSchemeSize; ++i) {
      std::printf(" %06lx", GetSysColor(kSchemeElements[i]));
      colours[i] = kHighContrastBlack[i];
    }
    std::printf("\n");
  } else {
    if (count != kSchemeSize) return 2;
    for (int i = 0; i < kSchemeSize; ++i) colours[i] = wcstoul(previous[i], nullptr, 16);
  }
  if (!SwitchHighContrast(on)) return 1;
  return SetSysColors(kSchemeSize, kSchemeElements, colours) ? 0 : 1;
}

// What a screen reader gets from the popup's client object: "name: ...",
// "role: N", "action: ..." and "description:" followed by its lines.
int PopupAccessible() {
  HWND w = FindWindowW(L"QPTNOTIFY", nullptr);
  if (w == nullptr || FAILED(CoInitialize(nullptr))) return 1;
  IAccessible* object = nullptr;
  int rc = 1;
  const HRESULT found = AccessibleObjectFromWindow(w, OBJID_CLIENT, qp::kIidAccessible,
                                                   reinterpret_cast<void**>(&object));
  if (FAILED(found) || !object) std::printf("no object: 0x%08lx\n", static_cast<long>(found));
  if (SUCCEEDED(found) && object) {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, description = nullptr, action = nullptr;
    VARIANT role;
    VariantInit(&role);
    const HRESULT named = object->get_accName(self, &name);
    const HRESULT described = object->get_accDescription(self, &description);
    const HRESULT roled = object->get_accRole(self, &role);
    if (FAILED(named) || FAILED(described) || FAILED(roled)) {
      std::printf("unanswered: name 0x%08lx description 0x%08lx role 0x%08lx\n",
                  static_cast<long>(named), static_cast<long>(described),
                  static_cast<long>(roled));
    } else {
      object->get_accDefaultAction(self, &action);
      PrintUtf8(L"name: " + std::wstring(name ? name : L"") + L"\n");
      std::printf("role: %ld\n", role.vt == VT_I4 ? role.lVal : -1L);
      PrintUtf8(L"action: " + std::wstring(action ? action : L"") + L"\n");
      PrintUtf8(L"description:\n" + std::wstring(description ? description : L"") + L"\n");
      rc = 0;
    }
    SysFreeString(name);
    SysFreeString(description);
    SysFreeString(action);
    object->Release();
  }
  CoUninitialize();
  return rc;
}

// A press and release of the left button at a point of the popup's client
// area, or a key pressed while the popup has the focus.
// A negative answer that says which, so that a failing scenario tells it
// from a probe that never ran.
int NoPopup() {
  std::fprintf(stderr, "qptn_probe: no popup window\n");
  return 1;
}

int PopupClick(int x, int y) {
  HWND w = FindWindowW(L"QPTNOTIFY", nullptr);
  if (w == nullptr) return NoPopup();
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageW(w, WM_MOUSEMOVE, 0, at);
  PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(w, WM_LBUTTONUP, 0, at);
  return 0;
}

int PopupKey(WPARAM key) {
  HWND w = FindWindowW(L"QPTNOTIFY", nullptr);
  if (w == nullptr) return NoPopup();
  PostMessageW(w, WM_KEYDOWN, key, 1);
  PostMessageW(w, WM_KEYUP, key, 0xC0000001);
  return 0;
}

// Attaches as a debugger and prints what the process tells debuggers
// (OutputDebugString), a line each, until the process ends. Exceptions
// are passed back untouched, so the process runs as it would alone; the
// process does not end when this probe does.
int DebugStrings(DWORD pid) {
  if (!DebugActiveProcess(pid)) return 1;
  DebugSetProcessKillOnExit(FALSE);
  std::printf("attached\n");
  std::fflush(stdout);
  for (;;) {
    DEBUG_EVENT event{};
    if (!WaitForDebugEvent(&event, INFINITE)) return 1;
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT: {
        const OUTPUT_DEBUG_STRING_INFO& info = event.u.DebugString;
        const size_t unit = info.fUnicode ? 2 : 1;
        std::vector<char> bytes(static_cast<size_t>(info.nDebugStringLength) * unit + 2, 0);
        SIZE_T read = 0;
        HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, event.dwProcessId);
        if (process && ReadProcessMemory(process, info.lpDebugStringData, bytes.data(),
                                         bytes.size() - 2, &read)) {
          if (info.fUnicode) {
            std::printf("%ls", reinterpret_cast<const wchar_t*>(bytes.data()));
          } else {
            std::printf("%s", bytes.data());
          }
          std::fflush(stdout);
        }
        if (process) CloseHandle(process);
        break;
      }
      case EXCEPTION_DEBUG_EVENT:
        // The breakpoint the system raises on attaching is the debugger's own.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
        break;
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) return 0;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring verb = argv[1];
  if (verb == L"windows") return Windows();
  if (verb == L"toplevel") return TopLevel();
  if (verb == L"hung-notifier") {
    // A notifier that stopped answering: a window of the notifier's class
    // whose thread never looks at its messages again.
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QPTN";
    if (!RegisterClassW(&wc)) return 1;
    HWND w = CreateWindowW(L"QPTN", L"hung", WS_OVERLAPPEDWINDOW, 0, 0, 20, 20, nullptr, nullptr,
                           wc.hInstance, nullptr);
    if (w == nullptr) return 1;
    std::printf("ready %lld\n", static_cast<long long>(reinterpret_cast<INT_PTR>(w)));
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
  }
  if (verb == L"crash") {
    // For the scenarios' own check that a crash report fails them.
    *static_cast<volatile int*>(nullptr) = 1;
    return 1;
  }
  if (verb == L"taskbar-created") return TaskbarCreated();
  if (verb == L"nudge") return Nudge();
  if (verb == L"fullscreen") return FullScreen();
  if (verb == L"popup") return Popup();
  if (verb == L"popup-accessible") return PopupAccessible();
  if (verb == L"popup-tools") return PopupTools();
  if (verb == L"dialog-with" && argc == 3) return DialogWith(_wtoi(argv[2]));
  if (verb == L"control" && argc == 4) return ControlState(ParseWindow(argv[2]), _wtoi(argv[3]));
  if (verb == L"press" && argc == 4) return Press(ParseWindow(argv[2]), _wtoi(argv[3]));
  if (verb == L"toggle" && argc == 4) return Toggle(ParseWindow(argv[2]), _wtoi(argv[3]));
  if (verb == L"set-text" && argc == 5) return SetText(ParseWindow(argv[2]), _wtoi(argv[3]), argv[4]);
  if (verb == L"pick" && argc == 5) return Pick(ParseWindow(argv[2]), _wtoi(argv[3]), argv[4]);
  if (verb == L"type" && argc == 5) return Type(ParseWindow(argv[2]), _wtoi(argv[3]), argv[4]);
  if (verb == L"window-rect" && argc == 3) return WindowRect(ParseWindow(argv[2]));
  if (verb == L"client-rect" && argc == 3) return ClientRect(ParseWindow(argv[2]));
  if (verb == L"high-contrast" && argc >= 3) {
    const std::wstring how = argv[2];
    if (how == L"on" && argc == 3) return HighContrast(true, nullptr, 0);
    if (how == L"off") return HighContrast(false, argv + 3, argc - 3);
    return 2;
  }
  if (verb == L"click-at" && argc == 5) {
    return ClickAt(ParseWindow(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]));
  }
  if (verb == L"popup-click" && argc == 4) return PopupClick(_wtoi(argv[2]), _wtoi(argv[3]));
  if (verb == L"popup-key" && argc == 3) return PopupKey(static_cast<WPARAM>(_wtoi(argv[2])));
  if (verb == L"hold") {
    // Keeps the Wine server and the virtual desktop up between scenarios,
    // so that no start races a desktop that is starting or shutting down.
    // "ready" once this process is attached to the desktop.
    GetDesktopWindow();
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
  }
  if (argc < 3) return 2;
  if (verb == L"send-exit") return SendExit(ParseWindow(argv[2]));
  if (verb == L"close-window") return PostMessageW(ParseWindow(argv[2]), WM_CLOSE, 0, 0) ? 0 : 1;
  if (verb == L"dialogs") return Dialogs(argv[2]);
  if (verb == L"dialog-ok") return Command(ParseWindow(argv[2]), L"1");
  if (verb == L"record") return Record(argv[2]);
  // The notifier's own way of opening a page, as its actions call it.
  if (verb == L"open-url" || verb == L"open-mail-window") {
    qptn::WindowsPageBrowser browser;
    const std::u16string address = reinterpret_cast<const char16_t*>(argv[2]);
    const bool opened = verb == L"open-url" ? browser.OpenUrl(address)
                                            : browser.OpenMailWindow(address);
    std::printf("%s\n", opened ? "opened" : "not opened");
    return opened ? 0 : 1;
  }
  if (verb == L"debug-strings") return DebugStrings(static_cast<DWORD>(_wtoi(argv[2])));
  if (verb == L"command" && argc == 4) return Command(ParseWindow(argv[2]), argv[3]);
  // A command whose handler runs a modal dialog: posted, not waited for.
  if (verb == L"post-command" && argc == 4) {
    const WPARAM id = static_cast<WPARAM>(wcstoul(argv[3], nullptr, 0));
    return PostMessageW(ParseWindow(argv[2]), WM_COMMAND, id, 0) ? 0 : 1;
  }
  if (verb == L"timer" && argc == 4) return Timer(ParseWindow(argv[2]), argv[3]);
  if (verb == L"tray-present") return TrayPresent(ParseWindow(argv[2]));
  if (verb == L"tray-delete") return TrayDelete(ParseWindow(argv[2]));
  if (verb == L"version") return Version(argv[2]);
  if (verb == L"install-package" && argc == 4) return InstallPackage(argv[2], argv[3]);
  if (verb == L"reg-dump") return RegDump(argv[2]);
  if (verb == L"reg-has-key") return RegHasKey(argv[2]);
  if (verb == L"reg-delete-tree") return RegDeleteTree(argv[2]);
  if (verb == L"reg-set-sz" && argc == 5) return RegSetString(argv[2], argv[3], argv[4]);
  return 2;
}
