#include "control/object/win32/protected_mode_win.h"

#include <windows.h>

#include "common/win32/handle_win.h"
#include "control/object/protected_mode.h"

namespace gwax {
namespace {

// Remembered for the life of the loaded library.
ProtectedModeCache g_protectedMode;

ProtectedModeReply AskBrowserForProtectedMode() {
  using IsProtected = HRESULT(WINAPI*)(BOOL*);
  qp::UniqueLibrary ieframe(LoadLibraryW(L"ieframe.dll"));
  if (!ieframe) return {};
  const auto function = reinterpret_cast<IsProtected>(
      reinterpret_cast<void*>(GetProcAddress(ieframe.Get(), "IEIsProtectedModeProcess")));
  if (!function) return {};
  BOOL answer = FALSE;
  const HRESULT hr = function(&answer);
  return {hr, answer ? 1 : 0};
}

}  // namespace

int32_t BrowserProtectedMode() { return g_protectedMode.Answer(AskBrowserForProtectedMode); }

}  // namespace gwax
