// Feeds arbitrary command lines to qpcall's argument parser: the input is
// taken as UTF-16 code units, arguments separated by NUL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/qpcall/qpcall_args.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::u16string> args(1);
  for (size_t i = 0; i + 1 < size; i += 2) {
    const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) args.emplace_back();
    else args.back() += c;
  }
  qpcall::Command command;
  std::string error;
  qpcall::ParseArguments(args, command, error);
  return 0;
}
