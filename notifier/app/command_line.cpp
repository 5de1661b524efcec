#include "notifier/app/command_line.h"

namespace qptn {
namespace {

char16_t FoldAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// True when `arg` is "/word" or "-word" with `word` in any letter case.
bool IsModeWord(const std::u16string& arg, const std::u16string& word) {
  if (arg.size() != word.size() + 1) return false;
  if (arg[0] != u'/' && arg[0] != u'-') return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (FoldAscii(arg[i + 1]) != FoldAscii(word[i])) return false;
  }
  return true;
}

}  // namespace

ModeChoice SelectMode(const std::vector<std::u16string>& args) {
  ModeChoice choice;
  if (args.empty()) return choice;
  const std::u16string& first = args[0];
  if (IsModeWord(first, u"uninstall")) {
    choice.mode = RunMode::Uninstall;
  } else if (IsModeWord(first, u"commit")) {
    choice.mode = RunMode::Commit;
  } else if (IsModeWord(first, u"mailto")) {
    choice.mode = RunMode::Mailto;
    if (args.size() > 1) choice.mailtoUrl = args[1];
  } else if (IsModeWord(first, u"close")) {
    choice.mode = RunMode::Close;
  } else {
    choice.hello = IsModeWord(first, u"hello");
  }
  return choice;
}

}  // namespace qptn
