// qpsettings.exe: the notifier's settings and accounts for scripts and support staff
// (see qpsettings_command.h for the command line).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win32/registry_win.h"
#include "notifier/settings/settings.h"
#include "tools/qpsettings/qpsettings_command.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  qp::Win32Registry registry;
  qptn::setting_base::UseRegistry(&registry);
  const qpsettings::Outcome done = qpsettings::Run(args);
  qptn::setting_base::UseRegistry(nullptr);
  std::fwrite(done.out.data(), 1, done.out.size(), stdout);
  const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
  if (!done.error.empty()) {
    std::fprintf(stderr, "qpsettings: %s\n", done.error.c_str());
    if (done.exitCode == qpsettings::kUsageError) std::fputs(qpsettings::kUsage, stderr);
  }
  // What it had to say and could not is no success.
  if (!written && done.exitCode == qpsettings::kDone) {
    std::fprintf(stderr, "qpsettings: could not write to the standard output\n");
    return qpsettings::kFailed;
  }
  return done.exitCode;
}
