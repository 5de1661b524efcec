// qpbench.exe: the Windows half of the notifier's benchmarks (see bench/).
//   qpbench check-cost ENDPOINT ROUNDS ADDRESS PASSWORD [ADDRESS PASSWORD]...
//   qpbench tray       a bare program with a tray icon, for comparison
//   qpbench drive      commands on standard input, one per line:
//                        command HWND ID   posts WM_COMMAND ID to the window
//                        stats PID         handle count and working set (0: its own)
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/win/qpbench_win.h"

namespace qpbench {

int Usage() {
  std::fprintf(stderr, "usage: qpbench check-cost ENDPOINT ROUNDS ADDRESS PASSWORD... | tray | drive\n");
  return 2;
}

namespace {

LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

// The handles the system lists for a process. Wine answers 0 to
// GetProcessHandleCount but keeps the system-wide handle list.
struct HandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  void* object;
  ULONG access;
};
struct HandleList {
  ULONG count;
  HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

long ListedHandles(DWORD pid) {
  auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<unsigned char> buffer(1 << 16);
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  for (int tries = 0; tries < 16; ++tries) {
    ULONG needed = 0;
    const LONG status =
        query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch) {
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) return -1;
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    long count = 0;
    for (ULONG i = 0; i < list->count; ++i) count += list->entries[i].ownerPid == pid;
    return count;
  }
  return -1;
}

void Stats(DWORD pid) {
  HANDLE process = pid == 0 ? GetCurrentProcess()
                            : OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  DWORD handles = 0;
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  const bool ok = process && GetProcessHandleCount(process, &handles) &&
                  GetProcessMemoryInfo(process, &memory, sizeof memory);
  if (process && pid != 0) CloseHandle(process);
  if (ok) {
    std::printf("handles=%lu listed_handles=%ld working_set_kib=%llu\n", handles,
                ListedHandles(pid == 0 ? GetCurrentProcessId() : pid),
                static_cast<unsigned long long>(memory.WorkingSetSize / 1024));
  } else {
    std::printf("error=%lu\n", GetLastError());
  }
}

}  // namespace

// A window, a tray icon and a message loop: what any tray program costs.
int BareTray(int, wchar_t**) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = TrayProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QpBenchTray";
  RegisterClassW(&wc);
  HWND window = CreateWindowW(wc.lpszClassName, L"bare tray", 0, 0, 0, 0, 0, nullptr, nullptr,
                              wc.hInstance, nullptr);
  NOTIFYICONDATAW icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = window;
  icon.uID = 1;
  icon.uFlags = NIF_ICON | NIF_TIP;
  icon.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wcscpy(icon.szTip, L"bare tray");
  Shell_NotifyIconW(NIM_ADD, &icon);
  std::printf("ready %lu\n", GetCurrentProcessId());
  std::fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  Shell_NotifyIconW(NIM_DELETE, &icon);
  return 0;
}

// One line in, one line out, so that a script sends many commands without
// starting a program for each.
int Drive(int, wchar_t**) {
  char line[256];
  while (std::fgets(line, sizeof line, stdin)) {
    unsigned long long a = 0, b = 0;
    if (std::sscanf(line, "command %llu %llu", &a, &b) == 2) {
      const BOOL posted = PostMessageW(reinterpret_cast<HWND>(static_cast<uintptr_t>(a)),
                                       WM_COMMAND, static_cast<WPARAM>(b), 0);
      std::printf(posted ? "ok\n" : "error=%lu\n", GetLastError());
    } else if (std::sscanf(line, "stats %llu", &a) == 1) {
      Stats(static_cast<DWORD>(a));
    } else {
      std::printf("error=usage\n");
    }
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace qpbench

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return qpbench::Usage();
  const std::wstring verb = argv[1];
  if (verb == L"check-cost") return qpbench::CheckCost(argc - 1, argv + 1);
  if (verb == L"tray") return qpbench::BareTray(argc - 1, argv + 1);
  if (verb == L"drive") return qpbench::Drive(argc - 1, argv + 1);
  return qpbench::Usage();
}
