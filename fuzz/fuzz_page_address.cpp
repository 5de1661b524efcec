// Page addresses come from the service and mailto: links from any web page;
// both end up in a browser's command line or a DDE command. Whatever they
// hold, the address stays one argument that cannot end its quoting or add
// arguments, only web addresses reach a command line, nothing outgrows its
// buffer, and the rewrites stay in bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "notifier/actions/browser_launch.h"
#include "notifier/actions/text_rewrite.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string address(size / 2, u'\0');
  for (size_t i = 0; i + 1 < size; i += 2) {
    address[i / 2] = static_cast<char16_t>(data[i] | data[i + 1] << 8);
  }
  static const std::u16string kTemplate = u"b.exe \"%1\" -x";
  if (auto line = qptn::BrowserCommandLine(kTemplate, address)) {
    if (line->size() >= qptn::kCommandLineCapacity) __builtin_trap();
    const std::u16string head = u"b.exe \"";
    const std::u16string tail = u"\" -x";
    if (line->compare(0, head.size(), head) != 0) __builtin_trap();
    if (line->size() < head.size() + tail.size()) __builtin_trap();
    if (line->compare(line->size() - tail.size(), tail.size(), tail) != 0) __builtin_trap();
    const std::u16string placed = line->substr(head.size(), line->size() - head.size() - tail.size());
    for (char16_t c : placed) {
      if (c == u'"' || c == u' ' || c < 0x20 || c == 0x7f) __builtin_trap();
    }
    std::u16string start;  // the first characters, ASCII letters in lower case
    for (size_t i = 0; i < placed.size() && i < 8; ++i) {
      const char16_t c = placed[i];
      start += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    }
    if (start.rfind(u"http://", 0) != 0 && start.rfind(u"https://", 0) != 0) __builtin_trap();
  }
  for (size_t capacity : {qptn::kMailWindowCommandCapacity, qptn::kUrlCommandCapacity}) {
    if (auto command = qptn::DdeOpenCommand(address, capacity)) {
      if (command->size() >= capacity) __builtin_trap();
      if (command->compare(1, address.size(), address) != 0) __builtin_trap();  // never cut
    }
  }
  const std::u16string quick = qptn::QuickViewAddress(address);
  if (quick.size() > address.size() + 13) __builtin_trap();
  const std::u16string args = qptn::MailtoComposeArgs(address);
  if (args.size() > 3 * address.size() + 64) __builtin_trap();
  return 0;
}
