// qpcall.exe: calls one operation of the mail service and prints the answer
// as JSON (see qpcall_args.h for the command line).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win32/com_init_win.h"
#include "notifier/service/win32/wininet_client_win.h"
#include "tools/qpcall/qpcall_args.h"
#include "tools/qpcall/qpcall_run.h"

namespace {

enum ExitCode { kSuccess = 0, kCallFailed = 1, kUsage = 2 };

int Usage(const std::string& error) {
  std::fprintf(stderr, "qpcall: %s\n\n%s", error.c_str(), qpcall::kUsage);
  return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) {
    args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  }
  qpcall::Command command;
  std::string error;
  if (!qpcall::ParseArguments(args, command, error)) return Usage(error);

  qp::ComInitialization com;
  if (FAILED(com.Result())) {
    std::fprintf(stderr, "qpcall: COM initialisation failed (0x%08lX)\n",
                 static_cast<unsigned long>(com.Result()));
    return kCallFailed;
  }
  QPTSoap::CQPTSoapT<QPTSoap::WininetClient> client;
  client.Client().SetProxy(command.proxy);
  client.Client().SetTimeout(command.timeout_ms);
  if (qp::Failed(client.SetEndpoint(command.endpoint))) {
    return Usage("ENDPOINT is not a usable http or https address");
  }
  int exit_code = kSuccess;
  for (int i = 0; i < command.repeat; ++i) {
    const qpcall::CallResult result = qpcall::RunCall(client, command);
    std::printf("%s\n", result.json.c_str());
    if (qp::Failed(result.code)) exit_code = kCallFailed;
  }
  // An answer nobody could read is no success.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "qpcall: could not write the answer to the standard output\n");
    return kCallFailed;
  }
  return exit_code;
}
