// Test helper run under Wine: a browser as far as DDE goes. It offers its
// service name on every topic, answers WWW_GetWindowInfo's item "1,0" with
// an address and its window title, and writes every conversation, request
// and execute to a file, one line each, together with its window being
// restored or activated. Its window starts minimised.
//
//   fake_browser.exe SERVICE TITLE RECORD-FILE
//
// Prints "ready" once its service is registered; runs until it is closed.
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

DWORD g_instance = 0;
std::wstring g_title;
std::wstring g_record;

void Record(const std::wstring& line) {
  HANDLE out = CreateFileW(g_record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  const std::wstring text = line + L"\n";
  char bytes[4096];
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                    bytes, sizeof bytes, nullptr, nullptr);
  DWORD written = 0;
  if (n > 0) WriteFile(out, bytes, static_cast<DWORD>(n), &written, nullptr);
  CloseHandle(out);
}

std::wstring Text(HSZ handle) {
  wchar_t text[512] = {};
  DdeQueryStringW(g_instance, handle, text, 512, CP_WINUNICODE);
  return text;
}

HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV, HSZ topic, HSZ item, HDDEDATA data,
                           ULONG_PTR, ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT:
      Record(L"connect " + Text(topic));
      return reinterpret_cast<HDDEDATA>(TRUE);
    case XTYP_REQUEST: {
      Record(L"request " + Text(topic) + L" " + Text(item));
      if (format != CF_TEXT) return nullptr;
      char answer[600];
      std::snprintf(answer, sizeof answer, "\"http://127.0.0.1/\",\"%ls\",\"\"", g_title.c_str());
      return DdeCreateDataHandle(g_instance, reinterpret_cast<BYTE*>(answer),
                                 static_cast<DWORD>(std::strlen(answer) + 1), 0, item, CF_TEXT,
                                 0);
    }
    case XTYP_EXECUTE: {
      const DWORD size = DdeGetData(data, nullptr, 0, 0);
      std::wstring command(size / sizeof(wchar_t) + 1, L'\0');
      DdeGetData(data, reinterpret_cast<BYTE*>(command.data()), size, 0);
      command.resize(wcslen(command.c_str()));
      Record(L"execute " + Text(topic) + L" " + command);
      return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    default:
      return nullptr;
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (wParam == SIZE_RESTORED) Record(L"restored");
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) Record(L"activated");
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  g_title = argv[2];
  g_record = argv[3];
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QPFakeBrowser";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, g_title.c_str(), WS_OVERLAPPEDWINDOW, 10,
                                10, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWMINNOACTIVE);
  if (DdeInitializeW(&g_instance, Callback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS |
                                                CBF_SKIP_UNREGISTRATIONS, 0) != DMLERR_NO_ERROR) {
    return 1;
  }
  HSZ service = DdeCreateStringHandleW(g_instance, argv[1], CP_WINUNICODE);
  if (!DdeNameService(g_instance, service, nullptr, DNS_REGISTER)) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DdeNameService(g_instance, service, nullptr, DNS_UNREGISTER);
  DdeFreeStringHandle(g_instance, service);
  DdeUninitialize(g_instance);
  return 0;
}
