// qpsettings: reading and writing the notifier's settings and accounts from a command line.
#pragma once

#include <string>
#include <vector>

namespace qpsettings {

inline constexpr char kUsage[] =
    "usage: qpsettings show\n"
    "       qpsettings set NAME VALUE      (freq, showLimit, show, sound, pl, host, key)\n"
    "       qpsettings account add ADDRESS PASSWORD\n"
    "       qpsettings account remove N\n"
    "       qpsettings account list\n";

enum ExitCode { kDone = 0, kFailed = 1, kUsageError = 2 };

struct Outcome {
  int exitCode = kDone;
  std::string out;    // UTF-8 lines for standard output
  std::string error;  // one UTF-8 line for standard error, without "qpsettings: "
};

// Runs one command against the settings store the notifier uses (the
// registry bound with qptn::setting_base::UseRegistry). `args` excludes the
// program name.
Outcome Run(const std::vector<std::u16string>& args);

}  // namespace qpsettings
