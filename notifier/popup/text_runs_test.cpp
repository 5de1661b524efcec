#include "notifier/popup/text_runs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_tray.h"

namespace qptn {
namespace {

using testing::Narrow;

// The runs in one line: words as they are, *bold*, <link>, "|" a line
// break, "@" the icon, "!" after a no-wrap run.
std::string Show(const std::vector<TextRun>& runs) {
  std::string out;
  for (const TextRun& run : runs) {
    if (!out.empty()) out += ' ';
    const std::string text = Narrow(std::u16string(run.text));
    switch (run.kind) {
      case RunKind::kPlain:
        out += text;
        break;
      case RunKind::kBold:
        out += "*" + text + "*";
        break;
      case RunKind::kLink:
        out += "<" + text + ">";
        break;
      case RunKind::kLineBreak:
        out += "|";
        break;
      case RunKind::kIcon:
        out += "@";
        break;
    }
    if (run.noWrap) out += "!";
  }
  return out;
}

TEST(SplitWords, WordsAndLinks) {
  struct Case {
    std::u16string text;
    std::string runs;
  };
  const Case cases[] = {
      {u"see http://x.example/a now", "see <http://x.example/a> now"},
      {u"https://a ftp://b mailto:c", "<https://a> <ftp://b> <mailto:c>"},
      // Only the exact lower-case schemes make a link.
      {u"HTTP://x Http://x www.x.example x.example/http://",
       "HTTP://x Http://x www.x.example x.example/http://"},
      {u"http:/x mailto ftp:/ https//x", "http:/x mailto ftp:/ https//x"},
      {u"http:// mailto:", "<http://> <mailto:>"},
      // Tabs, carriage returns and line feeds only separate words.
      {u"a\tb\nc\r\nd  \t e", "a b c d e"},
      {u"  \r\n\tlead and trail \n ", "lead and trail"},
      {u"", ""},
      {u" \t\r\n ", ""},
      // The text ends at its first NUL.
      {std::u16string(u"a b\0c d", 7), "a b"},
      {std::u16string(u"\0after", 6), ""},
      // Other characters, non-breaking spaces included, belong to words.
      {u"Gr\u00fc\u00dfe\u00a0x \U0001F600", "Gr??e?x ??"},
      {u"a,b;c (d)", "a,b;c (d)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(SplitWords(c.text)), c.runs) << Narrow(c.text);
  }
}

TEST(SplitWords, RunsPointIntoTheText) {
  const std::u16string text = u" ab  http://c ";
  const std::vector<TextRun> runs = SplitWords(text);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].text.data(), text.data() + 1);
  EXPECT_EQ(runs[0].text.size(), 2u);
  EXPECT_EQ(runs[1].text.data(), text.data() + 5);
  EXPECT_EQ(runs[1].text.size(), 8u);
}

TEST(RunList, AppendsMarksAndKeepsItsOwnCopies) {
  RunList body;
  {
    std::u16string transient = u"first second";
    EXPECT_EQ(body.AppendText(transient), 0u);
    transient.assign(100, u'x');  // the caller's text changes and goes
  }
  EXPECT_EQ(body.AppendText(u" \n "), std::nullopt);
  body.AppendLineBreak();
  EXPECT_EQ(body.AppendText(u"third http://l"), 3u);
  body.AppendIcon();
  body.MarkBold(3);
  body.MarkBold(std::nullopt);
  body.MarkBold(99);
  body.MarkLastNoWrap();
  EXPECT_EQ(Show(body.Runs()), "first second | *third* <http://l> @!");
  body.MakeAllBold();
  EXPECT_EQ(Show(body.Runs()), "*first* *second* | *third* *http://l* @!");
  body.Clear();
  EXPECT_TRUE(body.Runs().empty());
  body.MarkLastNoWrap();  // on an empty body: nothing
  EXPECT_TRUE(body.Runs().empty());
}

TEST(RunList, ManyAppendsKeepEarlierRunsValid) {
  RunList body;
  for (int i = 0; i < 500; ++i) body.AppendText(u"w" + std::u16string(i % 40, u'a'));
  ASSERT_EQ(body.Runs().size(), 500u);
  for (int i = 0; i < 500; ++i) {
    EXPECT_EQ(body.Runs()[i].text, u"w" + std::u16string(i % 40, u'a')) << i;
  }
}

TEST(ComposeMessage, Lines) {
  struct Case {
    const char* name;
    MessageTexts texts;
    std::string runs;
  };
  const Case cases[] = {
      {"one account",
       {std::nullopt, u"Ann Lee", u"Lunch today", u"See you at noon", false},
       "*From:* Ann Lee! | *Subject:* Lunch today | |! *Message:* See you at noon"},
      {"several accounts",
       {u"bo@example.org", u"Ann", u"Hi", u"x", false},
       "*To:* bo@example.org | *From:* Ann! | *Subject:* Hi | |! *Message:* x"},
      {"attachment",
       {std::nullopt, u"Ann", u"Photos", u"see http://p.example", true},
       "*From:* Ann! | *Subject:* @ Photos | |! *Message:* see <http://p.example>"},
      {"blank body adds nothing after the label",
       {std::nullopt, u"Ann", u"Hi", u" \r\n\t", false},
       "*From:* Ann! | *Subject:* Hi | |! *Message:*"},
      {"blank sender: the label is the last run",
       {std::nullopt, u"", u"", u"", false},
       "*From:*! | *Subject:* | |! *Message:*"},
      {"a label-like word in the text stays plain",
       {std::nullopt, u"From: x", u"Subject:", u"", false},
       "*From:* From: x! | *Subject:* Subject: | |! *Message:*"},
  };
  for (const Case& c : cases) {
    RunList body;
    body.AppendText(u"left over from before");
    ComposeMessage(body, c.texts);
    EXPECT_EQ(Show(body.Runs()), c.runs) << c.name;
  }
}

}  // namespace
}  // namespace qptn
