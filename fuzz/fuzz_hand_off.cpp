// The hand-off of an address to the browser: whatever a mailto: link, the
// browser's registered command template and an address hold,
// - only http and https addresses reach a command line or DDE;
// - Windows' splitting of the command line gives the browser the address as
//   exactly one argument, the handed-off address, and leaves the template's
//   other arguments as they are;
// - the DDE command's URL field is the handed-off address and its other
//   fields stay ",,-1,0,,,,";
// - the compose address has the page's parameters and one compose_args
//   that holds the whole link, and no fragment.
//
// Input: UTF-16LE code units; U+FFFF separates the link, the template and
// the address.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/web_address.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "notifier/actions/browser_launch.h"
#include "notifier/actions/text_rewrite.h"
#include "notifier/actions/windows_argv_model.h"

namespace {

using qp_fuzz::Check;
using qptn::argv_model::SplitCommandLine;

// Stands where the address goes; input units never hold it.
constexpr char16_t kWord[] = u"\uE000WORD\uE000";

bool HandOffSafe(const std::u16string& placed) {
  for (char16_t c : placed) {
    if (c == u'"' || c == u'\\' || c == u' ' || c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

void CheckCommandLine(const std::u16string& commandTemplate, const std::u16string& address) {
  const auto line = qptn::BrowserCommandLine(commandTemplate, address);
  if (!qp::IsWebAddress(address)) {
    Check(!line);
    return;
  }
  if (!line) return;  // too long for the buffer
  const std::u16string placed = qptn::HandOffAddress(address);
  Check(HandOffSafe(placed));
  if (commandTemplate.find(u'\uE000') != std::u16string::npos) return;
  // The template with a word where the address goes, split as Windows does.
  std::u16string withWord = commandTemplate;
  const size_t at = withWord.find(u"%1");
  if (at == std::u16string::npos) {
    withWord += u' ';
    withWord += kWord;
  } else {
    withWord.replace(at, 2, kWord);
  }
  std::vector<std::u16string> expected = SplitCommandLine(withWord);
  // Only where the word stands as one argument of its own does the template
  // give the address a place of its own.
  size_t words = 0;
  for (auto& arg : expected) {
    if (arg.find(kWord) == std::u16string::npos) continue;
    if (arg != kWord) return;
    arg = placed;
    ++words;
  }
  if (words != 1) return;
  Check(SplitCommandLine(*line) == expected);
}

void CheckDde(const std::u16string& address) {
  const auto command = qptn::DdeOpenCommand(address, qptn::kUrlCommandCapacity);
  if (!command) return;
  Check(command->size() < qptn::kUrlCommandCapacity);
  Check(!command->empty() && (*command)[0] == u'"');
  const size_t close = command->find(u'"', 1);
  Check(close != std::u16string::npos);
  Check(command->compare(1, close - 1, qptn::HandOffAddress(address)) == 0);
  Check(command->compare(close, std::u16string::npos, u"\",,-1,0,,,,") == 0);
}

// Only web addresses reach the browser, by any way.
class RecordingSystem : public qptn::BrowserSystem {
 public:
  std::optional<std::u16string> Handler(qptn::HandlerValue which) override {
    if (which == qptn::HandlerValue::kCommand) return std::u16string(u"b.exe %1");
    return std::nullopt;
  }
  bool StartDde() override { return true; }
  void EndDde() override {}
  bool Connect(const std::optional<std::u16string>&, std::u16string_view) override {
    return connects_++ % 2 == 0;
  }
  std::optional<std::string> Request(std::u16string_view, unsigned) override {
    return std::nullopt;
  }
  void Execute(std::u16string_view) override { ++handedOver; }
  void Disconnect() override {}
  bool ActivateWindowTitled(std::u16string_view) override { return false; }
  bool StartProcess(const std::u16string&) override {
    ++handedOver;
    return true;
  }
  int handedOver = 0;

 private:
  unsigned connects_ = 0;
};

void CheckOnlyWebAddresses(const std::u16string& address) {
  RecordingSystem system;
  qptn::OpenUrl(system, address);
  qptn::OpenMailWindow(system, address);
  if (!qp::IsWebAddress(address)) Check(system.handedOver == 0);
}

void CheckCompose(const std::u16string& link) {
  static const std::u16string kPage = u"https://h/compose.php?path=INBOX&sid=9";
  const std::u16string address = qptn::ComposeAddressFor(kPage, link);
  Check(address.compare(0, kPage.size(), kPage) == 0);
  const std::u16string rest = address.substr(kPage.size());
  Check(rest.compare(0, 14, u"&compose_args=") == 0);
  // The page's parameters and one compose_args: no "&" or "#" after it.
  Check(rest.find_first_of(u"&#", 1) == std::u16string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::u16string> fields = qp_fuzz::Utf16Fields(data, size);
  fields.resize(3);
  const std::u16string& link = fields[0];
  const std::u16string& commandTemplate = fields[1];
  const std::u16string& address = fields[2].empty() ? fields[0] : fields[2];

  CheckCommandLine(commandTemplate, address);
  CheckDde(address);
  CheckOnlyWebAddresses(address);
  CheckCompose(link);
  // The link's compose address is handed over too.
  const std::u16string compose = qptn::ComposeAddressFor(u"https://h/c.php?s=1", link);
  CheckCommandLine(commandTemplate, compose);
  CheckDde(compose);
  return 0;
}
