#include "notifier/actions/win32/browser_win.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "common/win32/handle_win.h"
#include "common/win32/registry_key_win.h"
#include "common/win32/shell_open_win.h"
#include "common/win32/wide_win.h"

namespace qptn {

namespace {

// Registry texts and window titles are read into buffers of this size.
constexpr DWORD kTextCapacity = 260;
// The fall-back gives a new browser this long to show its window.
constexpr DWORD kStartupPauseMs = 2000;
constexpr DWORD kInputIdleTimeoutMs = 30000;

const wchar_t* HandlerKey(HandlerValue which) {
  switch (which) {
    case HandlerValue::kDdeApplication:
      return L"SOFTWARE\\classes\\http\\shell\\open\\ddeexec\\Application";
    case HandlerValue::kDdeTopic:
      return L"SOFTWARE\\classes\\http\\shell\\open\\ddeexec\\Topic";
    default:
      return L"SOFTWARE\\classes\\http\\shell\\open\\command";
  }
}

// The key's unnamed value, a REG_SZ only.
std::optional<std::u16string> ReadDefault(HKEY root, const wchar_t* path) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return std::nullopt;
  const qp::UniqueRegKey key(opened);
  wchar_t text[kTextCapacity] = {};
  DWORD type = 0;
  DWORD size = sizeof text - sizeof(wchar_t);  // room for the terminator
  const LSTATUS status =
      RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  text[size / sizeof(wchar_t)] = L'\0';
  return qp::FromWide(text);
}

HDDEDATA CALLBACK DdeCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return type == XTYP_ADVDATA ? reinterpret_cast<HDDEDATA>(DDE_FACK) : nullptr;
}

struct TitleSearch {
  const wchar_t* fragment;
  HWND found = nullptr;
};

struct ProcessSearch {
  DWORD process;
  HWND found = nullptr;
};

// Window enumeration callbacks: system callbacks, so declared with the
// system's calling convention (a plain lambda has the wrong one on 32-bit
// Windows).
BOOL CALLBACK FindTitled(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<TitleSearch*>(param);
  wchar_t title[kTextCapacity] = {};
  GetWindowTextW(window, title, kTextCapacity);
  if (!std::wcsstr(title, s->fragment)) return TRUE;
  s->found = window;
  return FALSE;
}

BOOL CALLBACK FindVisibleOfProcess(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<ProcessSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != s->process || !IsWindowVisible(window)) return TRUE;
  s->found = window;
  return FALSE;
}

}  // namespace

std::optional<std::u16string> WindowsBrowserSystem::Handler(HandlerValue which) {
  if (auto value = ReadDefault(HKEY_CURRENT_USER, HandlerKey(which))) return value;
  return ReadDefault(HKEY_LOCAL_MACHINE, HandlerKey(which));
}

bool WindowsBrowserSystem::StartDde() {
  EndDde();
  DWORD instance = 0;
  if (DdeInitializeW(&instance, DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    return false;
  }
  instance_.Reset(instance);
  return true;
}

void WindowsBrowserSystem::EndDde() {
  Disconnect();
  instance_.Reset();
}

bool WindowsBrowserSystem::Connect(const std::optional<std::u16string>& service,
                                   std::u16string_view topic) {
  Disconnect();
  if (!instance_) return false;
  std::optional<qp::DdeString> serviceHandle;
  if (service) serviceHandle.emplace(instance_.Get(), *service);
  const qp::DdeString topicHandle(instance_.Get(), topic);
  conversation_.Reset(DdeConnect(instance_.Get(), serviceHandle ? serviceHandle->Get() : nullptr,
                                 topicHandle.Get(), nullptr));
  return static_cast<bool>(conversation_);
}

std::optional<std::string> WindowsBrowserSystem::Request(std::u16string_view item,
                                                         unsigned timeoutMs) {
  if (!conversation_) return std::nullopt;
  const qp::DdeString itemHandle(instance_.Get(), item);
  const qp::UniqueDdeData data(DdeClientTransaction(nullptr, 0, conversation_.Get(),
                                                    itemHandle.Get(), CF_TEXT, XTYP_REQUEST,
                                                    timeoutMs, nullptr));
  if (!data) return std::nullopt;
  const DWORD size = DdeGetData(data.Get(), nullptr, 0, 0);
  std::string text(size, '\0');
  if (size > 0) DdeGetData(data.Get(), reinterpret_cast<BYTE*>(text.data()), size, 0);
  text.resize(std::strlen(text.c_str()));  // CF_TEXT ends at its terminator
  return text;
}

void WindowsBrowserSystem::Execute(std::u16string_view command) {
  if (!conversation_) return;
  std::u16string text(command);
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
  DWORD result = 0;
  DdeClientTransaction(reinterpret_cast<BYTE*>(text.data()), bytes, conversation_.Get(), nullptr,
                       0, XTYP_EXECUTE, TIMEOUT_ASYNC, &result);
}

void WindowsBrowserSystem::Disconnect() { conversation_.Reset(); }

bool WindowsBrowserSystem::ActivateWindowTitled(std::u16string_view fragment) {
  const std::u16string text(fragment);
  TitleSearch search{qp::Wide(text)};
  EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  if (IsIconic(search.found)) ShowWindow(search.found, SW_SHOWNORMAL);
  SetForegroundWindow(search.found);
  return true;
}

bool WindowsBrowserSystem::StartProcess(const std::u16string& commandLine) {
  // The browser's own parsing of its command line is why the line is built
  // so that the address stays one argument (BrowserCommandLine).
  std::vector<wchar_t> buffer(kCommandLineCapacity, L'\0');
  if (commandLine.size() >= buffer.size()) return false;
  std::copy(commandLine.begin(), commandLine.end(), buffer.begin());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  const qp::UniqueHandle thread(process.hThread), started(process.hProcess);
  Sleep(kStartupPauseMs);
  WaitForInputIdle(started.Get(), kInputIdleTimeoutMs);
  ProcessSearch search{process.dwProcessId};
  EnumWindows(FindVisibleOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found != nullptr;
}

bool WindowsPageBrowser::OpenMailWindow(const std::u16string& address) {
  if (!qp::HandOffAllowed(address)) return false;
  WindowsBrowserSystem system;
  return qptn::OpenMailWindow(system, address);
}

bool WindowsPageBrowser::OpenUrl(const std::u16string& address) {
  if (!qp::HandOffAllowed(address)) return false;
  WindowsBrowserSystem system;
  return qptn::OpenUrl(system, address);
}

void WindowsPageBrowser::OpenWithShell(const std::u16string& address) {
  qp::ShellOpenWebAddress(owner_, address);
}

}  // namespace qptn
