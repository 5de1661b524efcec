// qpsettings takes its arguments from scripts and people. Whatever they
// are, it answers with one of its three exit codes, a usage error carries
// its one-line message, and the store it writes stays readable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/memory_registry.h"
#include "notifier/settings/settings.h"
#include "tools/qpsettings/qpsettings_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qp::MemoryRegistry registry;
  qptn::setting_base::UseRegistry(&registry);
  // Commands separated by a 0xFF byte, arguments by a NUL byte; bytes are
  // Latin-1 code units so that every command word can be spelled.
  std::vector<std::vector<std::u16string>> commands(1, std::vector<std::u16string>(1));
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFF) {
      commands.emplace_back(1);
    } else if (data[i] == 0) {
      commands.back().emplace_back();
    } else {
      commands.back().back().push_back(static_cast<char16_t>(data[i]));
    }
  }
  for (const auto& args : commands) {
    const qpsettings::Outcome outcome = qpsettings::Run(args);
    if (outcome.exitCode < 0 || outcome.exitCode > 2) __builtin_trap();
    if (outcome.exitCode == qpsettings::kUsageError &&
        (outcome.error.empty() || outcome.error.find('\n') != std::string::npos)) {
      __builtin_trap();
    }
  }
  // The notifier reads back whatever was stored.
  const qpsettings::Outcome shown = qpsettings::Run({u"show"});
  if (shown.exitCode != qpsettings::kDone) __builtin_trap();
  qptn::setting_base::UseRegistry(nullptr);
  return 0;
}
