// Process entry of qptn.exe: picks the run mode from the first argument.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "common/win32/com_init_win.h"
#include "common/win32/handle_win.h"
#include "common/win32/local_memory_win.h"
#include "common/win32/registry_win.h"
#include "common/win32/wide_win.h"
#include "notifier/actions/win32/browser_win.h"
#include "notifier/app/command_line.h"
#include "notifier/app/qptn_app.h"
#include "notifier/app/win32/instances_win.h"
#include "notifier/app/win32/main_window_win.h"
#include "notifier/check/pause_store.h"
#include "notifier/check/win32/check_platform_win.h"
#include "notifier/dialogs/win32/settings_dialog_win.h"
#include "notifier/popup/win32/notice_window_win.h"
#include "notifier/service/win32/wininet_client_win.h"
#include "notifier/service/service_address.h"
#include "notifier/settings/accessors.h"
#include "notifier/settings/settings.h"
#include "notifier/settings/shell_entries.h"
#include "notifier/tray/win32/tray_icon_win.h"

namespace {

// The running program file as the system reports it.
std::u16string ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return qp::FromWide(path);
}

// The application object lives for the whole process, in every mode; it is
// destroyed after the entry returns, which removes the tray icon and writes
// its settings back. Declaration order is construction order: the registry,
// the window, the icon, the service transport and the other ports outlive
// the object.
qp::Win32Registry g_registry;
struct RegistryBinding {
  RegistryBinding() { qptn::setting_base::UseRegistry(&g_registry); }
} g_registryBinding;
qptn::MainWindow g_mainWindow;
qptn::TrayIcon g_trayIcon;
QPTSoap::WininetClient g_transport;
qptn::NoticeWindow g_popup;
qptn::SystemSound g_sound;
qptn::SystemPresence g_presence;  // records the desktop of the main thread
qptn::CheckThread g_checkThread;
qptn::SettingsDialogWin g_settingsDialog(GetModuleHandleW(nullptr), g_registry, ProgramPath());
qptn::UpdateUiWin g_updateUi(g_mainWindow);
qptn::WindowsPageBrowser g_browser;
qptn::SystemBusy g_busy;
qptn::SystemWallClock g_clock;
qptn::RegistryPauseStore g_pauses(g_registry);
qptn::QptnT g_app(qptn::AppPorts{g_mainWindow, g_trayIcon, g_transport, g_popup, g_sound,
                                 g_presence, g_checkThread, g_settingsDialog, g_updateUi,
                                 g_browser, g_busy, g_clock, g_pauses});

std::vector<std::u16string> Arguments() {
  std::vector<std::u16string> args;
  int count = 0;
  const qp::UniqueLocalMemory<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.push_back(qp::FromWide(argv.Get()[i]));
  return args;
}

// Runs the icon animation for as long as it lives; the destructor stops and
// joins the thread, so the thread is gone before anything it uses.
class AnimationThread {
 public:
  AnimationThread() {
    try {
      thread_ = std::thread([] { g_app.RunAnimation(); });
    } catch (const std::system_error&) {
      // No thread to spare: the notifier runs with a still icon.
    }
  }
  ~AnimationThread() {
    g_app.StopAnimation();
    if (thread_.joinable()) thread_.join();
  }
  AnimationThread(const AnimationThread&) = delete;
  AnimationThread& operator=(const AnimationThread&) = delete;

 private:
  std::thread thread_;
};

int NormalRun(HINSTANCE module, bool hello) {
  // Held from closing older instances until this one's window exists, so
  // that instances started together end with exactly one. Both waits are
  // bounded: a peer that hangs in its start-up cannot hold the others.
  qp::UniqueHandle startupMutex(CreateMutexW(nullptr, FALSE, L"Local\\QPTN.Startup"));
  qp::MutexLock startupLock(startupMutex.Get(), qptn::kStartupLockMs);
  qptn::CloseRunningInstances();

  g_mainWindow.Bind(g_app, module, g_trayIcon, g_popup);
  g_mainWindow.ReleaseOnWindow(&startupLock);
  if (!g_app.Startup()) return 0;
  g_browser.SetOwner(g_mainWindow.Handle());
  qptn::ClientAccountService accountService(g_app.Service());
  g_settingsDialog.Bind(accountService, g_popup.Handle());

  AnimationThread animation;
  // Goes first: a running check uses the animation.
  struct CheckStop {
    ~CheckStop() {
      g_app.StopCheck();
      g_popup.ForgetCaller();
    }
  } checkStop;
  return g_mainWindow.RunMessageLoop(hello);
}

// The mailto: hand-off: the first account's compose page with the link's
// recipients, subject and body, in a new browser window. Its own service
// client and host setting; no window, no icon, nothing shown on failure.
void MailtoRun(const std::u16string& link) {
  QPTSoap::WininetClient transport;
  QPTSoap::ServiceClient client(transport);
  QPTSoap::SharedClient shared(client);
  const qptn::StringSetting host(u"host", qptn::kDefaultHost);
  const qp::ComInitialization com;
  shared.SetEndpoint(qptn::ServiceAddress(host.value));
  std::u16string addresses[2];
  std::u16string passwords[2];
  bool internal = false;
  std::optional<qptn::Credentials> first;
  if (qptn::LoadAccounts(addresses, passwords, internal, 2) > 0) {
    first = qptn::Credentials{addresses[0], passwords[0]};
  }
  for (std::u16string& password : passwords) qptn::WipePassword(password);
  qptn::ClientPageService service(shared);
  qptn::WindowsPageBrowser browser;
  qptn::OpenComposePage(service, browser, first, link);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE module, HINSTANCE, PWSTR, int) {
  const qptn::ModeChoice choice = qptn::SelectMode(Arguments());
  switch (choice.mode) {
    case qptn::RunMode::Uninstall:
      qptn::RegisterMailto(g_registry, ProgramPath(), false);
      qptn::CloseRunningInstances();
      return 0;
    case qptn::RunMode::Commit:
      qptn::RelaunchWithHello();
      return 0;
    case qptn::RunMode::Mailto:
      MailtoRun(choice.mailtoUrl);
      return 0;
    case qptn::RunMode::Close:
      qptn::CloseRunningInstances();
      return 0;
    case qptn::RunMode::Normal:
      break;
  }
  return NormalRun(module, choice.hello);
}
