#include "notifier/actions/browser_launch.h"

#include "common/text.h"
#include "common/web_address.h"

namespace qptn {

namespace {

// The DDE instance for the length of one opening.
class DdeSession {
 public:
  explicit DdeSession(BrowserSystem& system) : system_(system), started_(system.StartDde()) {}
  ~DdeSession() {
    if (started_) system_.EndDde();
  }
  DdeSession(const DdeSession&) = delete;
  DdeSession& operator=(const DdeSession&) = delete;
  bool Started() const { return started_; }

 private:
  BrowserSystem& system_;
  bool started_;
};

bool CommandLineFallback(BrowserSystem& system, std::u16string_view address) {
  const std::optional<std::u16string> commandTemplate = system.Handler(HandlerValue::kCommand);
  if (!commandTemplate) return false;
  const std::optional<std::u16string> commandLine = BrowserCommandLine(*commandTemplate, address);
  return commandLine && system.StartProcess(*commandLine);
}

// Opens `address` in a new window of the DDE server that answered.
bool OpenOverDde(BrowserSystem& system, const std::optional<std::u16string>& service, bool isIE,
                 std::u16string_view address, size_t capacity) {
  std::u16string topic = kNewWindowTopic;
  if (!isIE) topic = system.Handler(HandlerValue::kDdeTopic).value_or(kInfoTopic);
  const std::optional<std::u16string> command = DdeOpenCommand(address, capacity);
  if (!command || !system.Connect(service, topic)) return false;
  system.Execute(*command);
  system.Disconnect();
  return true;
}

bool Open(BrowserSystem& system, std::u16string_view address, bool reuseMailWindow) {
  if (!qp::IsWebAddress(address)) return false;
  DdeSession dde(system);
  if (!dde.Started()) return false;
  const std::optional<std::u16string> service = system.Handler(HandlerValue::kDdeApplication);
  bool ddeAvailable = false;
  bool mailWindowOpen = false;
  if (system.Connect(service, kInfoTopic)) {
    ddeAvailable = true;
    if (reuseMailWindow) {
      const std::optional<std::string> info = system.Request(kInfoItem, kInfoTimeoutMs);
      mailWindowOpen = info && info->find(kMailIndexTitle) != std::string::npos;
    }
    system.Disconnect();
  }
  const bool isIE = service && qp::EqualsAsciiNoCase(*service, kExplorerService);
  if (mailWindowOpen) {
    if (isIE) {
      if (system.Connect(service, kActivateTopic)) {
        system.Execute(u"1");
        system.Disconnect();
      }
    } else {
      system.ActivateWindowTitled(kWebMailTitle);
    }
    return true;
  }
  if (ddeAvailable) {
    return OpenOverDde(system, service, isIE, address,
                       reuseMailWindow ? kMailWindowCommandCapacity : kUrlCommandCapacity);
  }
  return CommandLineFallback(system, address);
}

}  // namespace

std::u16string HandOffAddress(std::u16string_view address) {
  std::u16string encoded;
  encoded.reserve(address.size());
  for (char16_t c : address) {
    if (c == u'"' || c == u'\\' || c == u' ' || c < 0x20 || c == 0x7f) {
      static constexpr char16_t kHex[] = u"0123456789ABCDEF";
      encoded += u'%';
      encoded += kHex[(c >> 4) & 0xf];
      encoded += kHex[c & 0xf];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

std::optional<std::u16string> DdeOpenCommand(std::u16string_view address, size_t capacity) {
  std::u16string command = u"\"";
  command += HandOffAddress(address);
  command += u"\",,-1,0,,,,";
  if (command.size() + 1 > capacity) return std::nullopt;
  return command;
}

std::optional<std::u16string> BrowserCommandLine(std::u16string_view commandTemplate,
                                                 std::u16string_view address) {
  if (!qp::IsWebAddress(address)) return std::nullopt;
  const std::u16string encoded = HandOffAddress(address);
  std::u16string commandLine(commandTemplate);
  const size_t at = commandLine.find(u"%1");
  if (at != std::u16string::npos) {
    commandLine.replace(at, 2, encoded);
  } else {
    commandLine += u' ';
    commandLine += encoded;
  }
  if (commandLine.size() + 1 > kCommandLineCapacity) return std::nullopt;
  return commandLine;
}

bool OpenMailWindow(BrowserSystem& system, std::u16string_view address) {
  return Open(system, address, true);
}

bool OpenUrl(BrowserSystem& system, std::u16string_view address) {
  return Open(system, address, false);
}

}  // namespace qptn
