// Choice of the run mode from the program's command line.
#pragma once

#include <string>
#include <vector>

namespace qptn {

// Close ends the running notifier and nothing else: the installer closes it
// before an upgrade replaces its files, where Uninstall would also give the
// user's mailto: association away.
enum class RunMode { Uninstall, Commit, Mailto, Close, Normal };

struct ModeChoice {
  RunMode mode = RunMode::Normal;
  bool hello = false;          // normal run that greets with a balloon
  std::u16string mailtoUrl;    // second argument of the mailto mode
};

// Looks at the first argument after the program name only: "/" or "-"
// followed by a mode word, the whole remainder compared without regard to
// letter case. `args` excludes the program name.
ModeChoice SelectMode(const std::vector<std::u16string>& args);

}  // namespace qptn
