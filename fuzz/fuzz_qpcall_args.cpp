// Feeds arbitrary command lines to qpcall's argument parser. The first byte
// picks the operation (or, past the called ones, leaves the whole input to
// the parser); the rest is UTF-16 code units, arguments separated by NUL, so
// that most inputs get past the operation name into the values. A refused
// command line always says why.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "tools/qpcall/qpcall_args.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<std::u16string> args;
  const int pick = data[0] % (QPTSoap::kOperationCount + 1);
  if (pick < QPTSoap::kOperationCount) {
    const std::string name = QPTSoap::Operation(pick).name;
    args.push_back(u"http://127.0.0.1:1/soap/public.php?version=1");
    args.emplace_back(name.begin(), name.end());
  }
  args.emplace_back();
  for (size_t i = 1; i + 1 < size; i += 2) {
    const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) args.emplace_back();
    else args.back() += c;
  }
  qpcall::Command command;
  std::string error;
  if (!qpcall::ParseArguments(args, command, error)) qp_fuzz::Check(!error.empty());
  return 0;
}
