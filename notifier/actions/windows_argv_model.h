// A model of how Windows splits a command line into arguments
// (CommandLineToArgvW), for the tests and the fuzz harness of the browser
// hand-off, which check the command lines the notifier builds against it.
// The notifier itself never splits command lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qptn::argv_model {

// The program name runs to its closing quote or the first blank. After it,
// 2n backslashes before a quote give n backslashes and the quote opens or
// closes a quoted part; 2n+1 give n and a literal quote; other backslashes
// stay as they are; blanks outside quotes separate arguments.
inline std::vector<std::u16string> SplitCommandLine(std::u16string_view line) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  std::vector<std::u16string> args;
  size_t i = 0;
  std::u16string program;
  if (i < line.size() && line[i] == u'"') {
    ++i;
    while (i < line.size() && line[i] != u'"') program += line[i++];
    if (i < line.size()) ++i;
  } else {
    while (i < line.size() && !blank(line[i])) program += line[i++];
  }
  args.push_back(program);
  for (;;) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i >= line.size()) break;
    std::u16string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || !blank(line[i]))) {
      size_t backslashes = 0;
      while (i < line.size() && line[i] == u'\\') {
        ++backslashes;
        ++i;
      }
      if (i < line.size() && line[i] == u'"') {
        arg.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {
          arg += u'"';
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(backslashes, u'\\');
        if (i < line.size() && (quoted || !blank(line[i]))) arg += line[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace qptn::argv_model
