// Page addresses come from the service and mailto: links from any web page;
// both end up in a browser's command line or a DDE command, next to what the
// browser registered for http and what its DDE server answers. Whatever they
// hold, the address stays one argument that cannot end its quoting or add
// arguments, only web addresses reach a command line, nothing outgrows its
// buffer, every DDE conversation is closed and the rewrites stay in bounds.
//
// Input: the address as UTF-16LE code units. After a U+FFFF unit, what the
// system offers, separated by U+FFFF: a field whose first unit holds the
// switches (DDE started, connections made, window found, process started),
// then the registered command template, DDE application and DDE topic and
// the browser's window-information answer (a missing value is not registered; an answer is taken
// as 8-bit text, the low byte of each unit).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "notifier/actions/browser_launch.h"
#include "notifier/actions/text_rewrite.h"

namespace {

using qp_fuzz::Check;

bool IsWebAddress(std::u16string_view placed) {
  std::u16string start;  // the first characters, ASCII letters in lower case
  for (size_t i = 0; i < placed.size() && i < 8; ++i) {
    const char16_t c = placed[i];
    start += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  }
  return start.rfind(u"http://", 0) == 0 || start.rfind(u"https://", 0) == 0;
}

// The fixed template shows exactly where the address went.
void CheckCommandLine(const std::u16string& address) {
  static const std::u16string kTemplate = u"b.exe \"%1\" -x";
  const auto line = qptn::BrowserCommandLine(kTemplate, address);
  if (!line) return;
  Check(line->size() < qptn::kCommandLineCapacity);
  const std::u16string head = u"b.exe \"";
  const std::u16string tail = u"\" -x";
  Check(line->size() >= head.size() + tail.size());
  Check(line->compare(0, head.size(), head) == 0);
  Check(line->compare(line->size() - tail.size(), tail.size(), tail) == 0);
  const std::u16string placed = line->substr(head.size(), line->size() - head.size() - tail.size());
  for (char16_t c : placed) Check(!(c == u'"' || c == u'\\' || c == u' ' || c < 0x20 || c == 0x7f));
  Check(IsWebAddress(placed));
}

// A system whose registry values and DDE answers are the input's, and which
// checks how it is used: DDE only between StartDde and EndDde, one
// conversation at a time, each one closed, nothing beyond its buffer.
class HostileSystem : public qptn::BrowserSystem {
 public:
  HostileSystem(char16_t switches, std::vector<std::optional<std::u16string>> values)
      : switches_(switches), values_(std::move(values)) {
    values_.resize(4);
  }
  ~HostileSystem() override { Check(!started_ && !connected_); }

  std::optional<std::u16string> Handler(qptn::HandlerValue which) override {
    switch (which) {
      case qptn::HandlerValue::kCommand: return values_[0];
      case qptn::HandlerValue::kDdeApplication: return values_[1];
      case qptn::HandlerValue::kDdeTopic: return values_[2];
    }
    return std::nullopt;
  }
  bool StartDde() override {
    Check(!started_);
    started_ = On(0);
    return started_;
  }
  void EndDde() override {
    Check(started_ && !connected_);
    started_ = false;
  }
  bool Connect(const std::optional<std::u16string>&, std::u16string_view) override {
    Check(started_ && !connected_);
    connected_ = On(1 + connects_++ % 3);
    return connected_;
  }
  std::optional<std::string> Request(std::u16string_view, unsigned) override {
    Check(connected_);
    if (!values_[3]) return std::nullopt;
    std::string answer;
    for (char16_t c : *values_[3]) answer += static_cast<char>(c & 0xff);
    return answer;
  }
  void Execute(std::u16string_view command) override {
    Check(connected_);
    Check(command.size() < qptn::kUrlCommandCapacity);
  }
  void Disconnect() override {
    Check(connected_);
    connected_ = false;
  }
  bool ActivateWindowTitled(std::u16string_view) override { return On(4); }
  bool StartProcess(const std::u16string& commandLine) override {
    Check(!started_ || !connected_);
    Check(commandLine.size() < qptn::kCommandLineCapacity);
    return On(5);
  }

 private:
  bool On(int bit) const { return (switches_ >> bit) & 1; }

  char16_t switches_;
  std::vector<std::optional<std::u16string>> values_;
  bool started_ = false;
  bool connected_ = false;
  unsigned connects_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::u16string> fields = qp_fuzz::Utf16Fields(data, size);
  const std::u16string& address = fields[0];

  CheckCommandLine(address);
  for (size_t capacity : {qptn::kMailWindowCommandCapacity, qptn::kUrlCommandCapacity}) {
    if (auto command = qptn::DdeOpenCommand(address, capacity)) {
      Check(command->size() < capacity);
      const std::u16string placed = qptn::HandOffAddress(address);
      Check(command->compare(1, placed.size(), placed) == 0);  // never cut
    }
  }
  const std::u16string quick = qptn::QuickViewAddress(address);
  Check(quick.size() <= address.size() + 13);
  const std::u16string args = qptn::MailtoComposeArgs(address);
  Check(args.size() <= 3 * address.size() + 64);

  // Without a system part: DDE there and answering, nothing registered.
  const char16_t switches = fields.size() > 1 && !fields[1].empty() ? fields[1][0] : 0x3f;
  std::vector<std::optional<std::u16string>> values;
  for (size_t i = 2; i < fields.size(); ++i) {
    if (fields[i].empty()) {
      values.emplace_back(std::nullopt);
    } else {
      values.emplace_back(fields[i]);
    }
  }
  {
    HostileSystem system(switches, values);
    qptn::OpenMailWindow(system, address);
  }
  {
    HostileSystem system(switches, values);
    qptn::OpenUrl(system, address);
  }
  return 0;
}
