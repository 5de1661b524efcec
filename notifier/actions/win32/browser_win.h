// The browser as Windows offers it: the http handler's registration, a
// client-only DDE conversation, top-level windows and new processes.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include "common/win32/dde_win.h"
#include "notifier/actions/browser_launch.h"
#include "notifier/actions/message_actions.h"

namespace qptn {

class WindowsBrowserSystem final : public BrowserSystem {
 public:
  WindowsBrowserSystem() = default;
  ~WindowsBrowserSystem() override { EndDde(); }
  WindowsBrowserSystem(const WindowsBrowserSystem&) = delete;
  WindowsBrowserSystem& operator=(const WindowsBrowserSystem&) = delete;

  std::optional<std::u16string> Handler(HandlerValue which) override;
  bool StartDde() override;
  void EndDde() override;
  bool Connect(const std::optional<std::u16string>& service, std::u16string_view topic) override;
  std::optional<std::string> Request(std::u16string_view item, unsigned timeoutMs) override;
  void Execute(std::u16string_view command) override;
  void Disconnect() override;
  bool ActivateWindowTitled(std::u16string_view fragment) override;
  bool StartProcess(const std::u16string& commandLine) override;

 private:
  // Declared in this order so that the conversation ends before its instance.
  qp::UniqueDdeInstance instance_;
  qp::UniqueDdeConversation conversation_;
};

// The actions' browser: pages through the system above, the start page
// through the shell with `owner` as the owner window.
class WindowsPageBrowser final : public PageBrowser {
 public:
  explicit WindowsPageBrowser(HWND owner = nullptr) : owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  bool OpenMailWindow(const std::u16string& address) override;
  bool OpenUrl(const std::u16string& address) override;
  void OpenWithShell(const std::u16string& address) override;

 private:
  HWND owner_;
};

}  // namespace qptn
