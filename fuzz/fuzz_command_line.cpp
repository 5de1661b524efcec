// The command line comes from whoever starts the program (shell, installer,
// a clicked mailto: link). Arguments are separated by a NUL code unit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "notifier/app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::u16string> args(1);
  for (size_t i = 0; i + 1 < size; i += 2) {
    const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0) {
      args.emplace_back();
    } else {
      args.back().push_back(unit);
    }
  }
  const qptn::ModeChoice choice = qptn::SelectMode(args);
  // Only the mailto mode carries a URL, and only from the second argument.
  if (choice.mode != qptn::RunMode::Mailto && !choice.mailtoUrl.empty()) __builtin_trap();
  if (choice.hello && choice.mode != qptn::RunMode::Normal) __builtin_trap();
  return 0;
}
