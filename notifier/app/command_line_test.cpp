#include "notifier/app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qptn {
namespace {

std::string Name(RunMode mode) {
  switch (mode) {
    case RunMode::Uninstall: return "Uninstall";
    case RunMode::Commit: return "Commit";
    case RunMode::Mailto: return "Mailto";
    case RunMode::Close: return "Close";
    case RunMode::Normal: return "Normal";
  }
  return "?";
}

std::string Narrow(const std::vector<std::u16string>& args) {
  std::string out;
  for (const auto& a : args) {
    out += '[';
    for (char16_t c : a) out += c < 128 ? static_cast<char>(c) : '?';
    out += ']';
  }
  return out;
}

TEST(SelectMode, ChoosesByFirstArgumentOnly) {
  struct Case {
    std::vector<std::u16string> args;
    RunMode mode;
    bool hello;
  };
  const Case cases[] = {
      {{}, RunMode::Normal, false},
      {{u"/uninstall"}, RunMode::Uninstall, false},
      {{u"-UNINSTALL"}, RunMode::Uninstall, false},
      {{u"-UnInStAlL"}, RunMode::Uninstall, false},
      {{u"--Uninstall"}, RunMode::Normal, false},
      {{u"-Uninstall2"}, RunMode::Normal, false},
      {{u"Uninstall"}, RunMode::Normal, false},
      {{u"-Uninstal"}, RunMode::Normal, false},
      {{u" -Uninstall"}, RunMode::Normal, false},
      {{u"-Commit"}, RunMode::Commit, false},
      {{u"/COMMIT", u"-Hello"}, RunMode::Commit, false},
      {{u"-mailto", u"mailto:a@b.example"}, RunMode::Mailto, false},
      {{u"/MAILTO"}, RunMode::Mailto, false},
      {{u"-Close"}, RunMode::Close, false},
      {{u"/CLOSE", u"-Uninstall"}, RunMode::Close, false},
      {{u"-Closed"}, RunMode::Normal, false},
      {{u"/HELLO"}, RunMode::Normal, true},
      {{u"-hello"}, RunMode::Normal, true},
      {{u"Hello"}, RunMode::Normal, false},
      {{u"-Hello", u"-Uninstall"}, RunMode::Normal, true},
      {{u"-Other", u"-Uninstall"}, RunMode::Normal, false},
      {{u""}, RunMode::Normal, false},
      {{u"-"}, RunMode::Normal, false},
      {{u"/"}, RunMode::Normal, false},
      // Only ASCII letters fold: a dotted capital I is not an "i".
      {{u"-UN\u0130NSTALL"}, RunMode::Normal, false},
      {{std::u16string(u"-commit\0", 8)}, RunMode::Normal, false},
  };
  for (const Case& c : cases) {
    const ModeChoice got = SelectMode(c.args);
    EXPECT_EQ(Name(got.mode), Name(c.mode)) << Narrow(c.args);
    EXPECT_EQ(got.hello, c.hello) << Narrow(c.args);
  }
}

TEST(SelectMode, MailtoTakesTheSecondArgument) {
  EXPECT_EQ(SelectMode({u"-mailto", u"mailto:x@y.example?subject=Hi"}).mailtoUrl,
            u"mailto:x@y.example?subject=Hi");
  EXPECT_EQ(SelectMode({u"-mailto"}).mailtoUrl, u"");
  // The second argument belongs to the mailto mode alone.
  EXPECT_EQ(SelectMode({u"-Hello", u"mailto:x@y.example"}).mailtoUrl, u"");
}

}  // namespace
}  // namespace qptn
