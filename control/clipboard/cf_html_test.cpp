#include "control/clipboard/cf_html.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace gwax {
namespace {

using Kind = AddressDecision::Kind;
using namespace std::string_literals;

// A block as browsers write it: the header with its offsets in `digits`
// digits, the HTML around the fragment, and the NUL that ends the text.
struct Layout {
  std::string before = "<html>\r\n<body>\r\n<!--StartFragment-->";
  std::string fragment;
  std::string after = "<!--EndFragment-->\r\n</body>\r\n</html>\r\n";
  std::string sourceUrl = "https://example.org/page";
  size_t digits = 10;
  bool selection = false;
  std::string beforeHtml;  // between the header and StartHTML
  std::string afterHtml;   // from EndHTML up to the NUL
};

std::string MakeBlock(const Layout& p) {
  const auto line = [&](const char* name, size_t value) {
    const std::string v = std::to_string(value);
    return name + (":" + std::string(p.digits - std::min(p.digits, v.size()), '0')) + v + "\r\n";
  };
  const auto header = [&](size_t start, size_t end, size_t startFragment, size_t endFragment) {
    std::string h = "Version:0.9\r\n" + line("StartHTML", start) + line("EndHTML", end) +
                    line("StartFragment", startFragment) + line("EndFragment", endFragment);
    if (p.selection) h += line("StartSelection", startFragment) + line("EndSelection", endFragment);
    return h + "SourceURL:" + p.sourceUrl + "\r\n";
  };
  const size_t start = header(0, 0, 0, 0).size() + p.beforeHtml.size();
  const size_t startFragment = start + p.before.size();
  const size_t endFragment = startFragment + p.fragment.size();
  return header(start, endFragment + p.after.size(), startFragment, endFragment) + p.beforeHtml +
         p.before + p.fragment + p.after + p.afterHtml + '\0';
}

Layout WithFragment(std::string fragment) {
  Layout p;
  p.fragment = std::move(fragment);
  return p;
}

std::string Fragment(const std::string& block) {
  const std::optional<CfHtmlHeader> h = ReadCfHtmlHeader(block);
  return h ? block.substr(h->startFragment, h->endFragment - h->startFragment) : "(no header)";
}

std::optional<HtmlRewrite> RewriteAll(std::string block, AddressDecision decision) {
  return RewriteCfHtml(block, [&](std::string_view) { return decision; });
}

TEST(CfHtml, Tokens) {
  const struct {
    std::string text, tokens;
  } cases[] = {
      {"<IMG src=\"a b\">", "<|IMG| |src|=|\"a b\"|>"},
      {"x12y", "x|12|y"},
      {"\t\r\n \x01\0 "s, "\t\r\n \x01|\0| "s},
      {"<!---->", "<|!--|--|>"},
      {"!-x--->", "!|-|x|--|-|>"},
      {"'a'", "'|a|'"},
      {"\"open <b>", "\"open <b>"},
      {"\xC3\xA9t", "\xC3|\xA9|t"},
  };
  for (const auto& c : cases) {
    std::string got;
    for (size_t at = 0, n; (n = TokenLength(c.text, at)) != 0; at += n) {
      got += (at ? "|" : "") + c.text.substr(at, n);
    }
    EXPECT_EQ(got, c.tokens) << c.text;
  }
  EXPECT_TRUE(TokenEquals("ImG", "img"));
  EXPECT_FALSE(TokenEquals("im", "img"));
  EXPECT_FALSE(TokenEquals("[mg", "{mg"));
}

// The header comes from whatever program filled the clipboard.
TEST(CfHtml, HeaderOffsetsMustLieInTheText) {
  const auto text = [](std::string header, size_t size = 200) {
    header += "<p>";
    header.resize(size, 'x');
    return header;
  };
  const std::string start = "StartHTML:0\r\n", fragment = "StartFragment:50\r\nEndFragment:60\r\n";
  const std::string ok = fragment + "StartHTML:0\r\n";
  const struct {
    std::string block;
    bool valid;
  } cases[] = {
      {text("Version:1.0\r\nEndHTML:200\r\n" + ok), true},
      {text("Version:0.9\rSourceURL:http://a/b\rstarthtml:1\nENDHTML:99\n" + fragment), true},
      {text("EndHTML:90\r\n" + ok, 90) + '\0' + std::string(10, 'x'), true},
      {text("EndHTML:100\r\n" + ok + "StartSelection:55\r\nEndSelection:58\r\n"), true},
      {text("EndHTML:201\r\n" + ok), false},
      {text("EndHTML:100\r\n" + ok, 90) + '\0' + std::string(10, 'x'), false},
      {text("EndHTML:00000000100\r\n" + ok), false},
      {text("EndHTML:-1\r\n" + ok), false},
      {text("EndHTML: 99\r\n" + ok), false},
      {text("EndHTML:\r\n" + ok), false},
      {text("EndHTML:99\r\nEndHTML:98\r\n" + ok), false},
      {text("EndHTML:100\r\nStartFragment:50\r\n" + start), false},
      {text("EndHTML:100\r\nStartFragment:60\r\nEndFragment:50\r\n" + start), false},
      {text("EndHTML:59\r\n" + ok), false},
      {text("EndHTML:100\r\n" + ok + "StartSelection:55\r\n"), false},
      {text("EndHTML:100\r\n" + ok + "StartSelection:40\r\nEndSelection:58\r\n"), false},
      {text("<p>EndHTML:100\r\n" + ok), false},
      {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadCfHtmlHeader(c.block).has_value(), c.valid) << c.block;
  }
  const std::optional<CfHtmlHeader> h = ReadCfHtmlHeader(cases[1].block);
  ASSERT_TRUE(h);
  EXPECT_EQ(std::vector<size_t>({h->startHtml, h->endHtml, h->startFragment, h->endFragment}),
            std::vector<size_t>({1, 99, 50, 60}));
}

TEST(CfHtml, EmptyBlockLinesAtTheirOffsets) {
  const std::string_view block = EmptyHtmlBlock();
  ASSERT_EQ(block.size(), 257u);
  EXPECT_EQ(block.find('\0'), 256u);
  const std::pair<size_t, std::string> lines[] = {
      {0, "Version:1.0"},
      {13, "StartHTML:0000000107"},
      {35, "EndHTML:0000000255"},
      {55, "StartFragment:0000000218"},
      {81, "EndFragment:0000000218"},
      {105, ""},
      {107, "<html>"},
      {115, "<head>"},
      {190, "<body>"},
      {123, "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"},
      {198, "<!--StartFragment--><!--EndFragment-->"},
      {238, "</body>"},
      {247, "</html>"}};
  for (const auto& [at, line] : lines) {
    EXPECT_EQ(block.substr(at, line.size() + 2), line + "\r\n") << at;
  }
  EXPECT_EQ(Fragment(std::string(block)), "");
}

TEST(CfHtml, CidPictureOnlyInTheFragment) {
  const struct {
    Layout layout;
    bool cid;
  } cases[] = {
      {WithFragment("<p>a</p><img src=\"cid:image001.png@01D9A1B2.C3D4E5F0\">"), true},
      {WithFragment("<img src='cid:image001.png'>"), true},
      {WithFragment("<img src=\"CID:x\">"), false},
      {WithFragment("<img src=cid:x>"), false},
      {WithFragment("<!-- <img src=\"cid:x\"> -->"), false},
      {WithFragment("<p title=\"<img src='cid:x'>\">"), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasCidPicture(MakeBlock(c.layout)), c.cid) << c.layout.fragment;
  }
  Layout outside = WithFragment("<p>text</p>");
  outside.before = "<html><body><img src=\"cid:x\"><!--StartFragment-->";
  EXPECT_FALSE(HasCidPicture(MakeBlock(outside)));
  // The fragment ends inside the address: its first bytes alone do not say "cid:".
  for (const std::string quote : {"\"", "'"}) {
    Layout cut = WithFragment("<img src=" + quote + "ci");
    cut.after = "d:x" + quote + "></body></html>";
    EXPECT_FALSE(HasCidPicture(MakeBlock(cut))) << quote;
  }
  std::string broken = MakeBlock(WithFragment("<img src=\"cid:x\">"));
  broken[broken.find("EndHTML:") + 8] = '9';
  EXPECT_FALSE(HasCidPicture(broken));
}

// Word's copy of two local pictures, selected in full: both become longer
// upload addresses (by more than any fixed slack), the ends move by both
// changes, the starts stay, and the trailing NULs are kept.
TEST(CfHtml, RewriteRenumbersTheEnds) {
  const auto fragment = [](const std::string& first, const std::string& second) {
    return "<p class=MsoNormal><img width=624 height=351 src=\"" + first +
           "\" v:shapes=\"Picture_x0020_1\"> and <IMG SRC=\"" + second + "\"></p>";
  };
  Layout p = WithFragment(
      fragment("file:///C:/Users/ann/AppData/Local/Temp/msohtmlclip1/01/clip_image001.png",
               "file:///C:/Users/ann/Pictures/b%20c.jpg"));
  p.selection = true;
  std::string block = MakeBlock(p) + std::string(3, '\0');
  const std::string upload = "https://h/download.php?id=" + std::string(300, '7');
  const std::optional<HtmlRewrite> r = RewriteCfHtml(block, [&](std::string_view address) {
    return AddressDecision{Kind::kReplaced,
                           upload + std::string(address.substr(address.size() - 3))};
  });
  ASSERT_TRUE(r);
  EXPECT_EQ(r->changes, 2);
  const std::string want = fragment(upload + "png", upload + "jpg");
  EXPECT_EQ(Fragment(r->html), want);

  const size_t growth = want.size() - p.fragment.size();
  const CfHtmlHeader before = ReadCfHtmlHeader(block).value();
  const CfHtmlHeader after = ReadCfHtmlHeader(r->html).value();
  EXPECT_EQ(after.startHtml, before.startHtml);
  EXPECT_EQ(after.startFragment, before.startFragment);
  EXPECT_EQ(after.endFragment, before.endFragment + growth);
  EXPECT_EQ(after.endHtml, before.endHtml + growth);
  const auto number = [&](const std::string& name) {
    return std::stoul(r->html.substr(r->html.find(name) + name.size(), 10));
  };
  EXPECT_EQ(number("StartSelection:"), before.startFragment);
  EXPECT_EQ(number("EndSelection:"), after.endFragment);
  EXPECT_EQ(r->html.size(), block.size() + growth);
  EXPECT_EQ(r->html.substr(r->html.size() - 13), "</html>\r\n" + std::string(4, '\0'));
}

TEST(CfHtml, RewriteOfOnePicture) {
  const struct {
    std::string fragment;
    AddressDecision decision;
    std::string html;
    int changes;
  } cases[] = {
      {"<img src=\"http://x/y.png\">", {}, "<img src=\"http://x/y.png\">", 0},
      {"<img width=4 src=\"file:///C:/a.png\">",
       {Kind::kRefused, ""},
       "<xxx width=4 src=\"file:///C:/a.png\">",
       1},
      {"<img src=\"file:///C:/a.png\">", {Kind::kReplaced, "x"}, "<img src=\"x\">", 1},
      {"<img src=\"file:///C:/a.png\">", {Kind::kReplaced, "a\"b\n"}, "<img src=\"a%22b%0A\">", 1},
      // A single quote is a token of its own: no address between the quotes to hand over.
      {"<img src='file:///C:/a.png'>", {Kind::kReplaced, "x"}, "<img src='file:///C:/a.png'>", 0},
      // Only the first source of a tag can take the tag down.
      {"<img src=\"a\" src=\"b\">", {Kind::kRefused, ""}, "<xxx src=\"a\" src=\"b\">", 1},
  };
  for (const auto& c : cases) {
    const std::optional<HtmlRewrite> r =
        RewriteAll(MakeBlock(WithFragment(c.fragment)), c.decision);
    ASSERT_TRUE(r) << c.fragment;
    EXPECT_EQ(Fragment(r->html), c.html);
    EXPECT_EQ(r->changes, c.changes) << c.fragment;
  }
  Layout last = WithFragment("<img src=\"file:///C:/a.png\"");
  last.after = "";
  std::string block = MakeBlock(last);
  block.pop_back();  // the block ends with the address
  const std::string before = block;
  const std::optional<HtmlRewrite> r = RewriteCfHtml(
      block, [](std::string_view) { return AddressDecision{Kind::kReplaced, "https://h/p"}; });
  ASSERT_TRUE(r);
  EXPECT_EQ(block, before);
  EXPECT_EQ(Fragment(r->html), "<img src=\"https://h/p\"");
}

TEST(CfHtml, VmlReadsXXXInCommentsAndDeclarations) {
  const std::string fragment =
      "<!--[if gte vml 1]><v:shape><v:imagedata src=\"file:///C:/a.png\"/></v:shape><![endif]-->"
      "<![if !vml]><img src=\"http://x/a.png\"><![endif]><p>vml</p>";
  std::vector<std::string> asked;
  std::string block = MakeBlock(WithFragment(fragment));
  const std::optional<HtmlRewrite> r =
      RewriteCfHtml(block, [&](std::string_view address) {
        asked.emplace_back(address);
        return AddressDecision{};
      });
  ASSERT_TRUE(r);
  EXPECT_EQ(asked, std::vector<std::string>{"http://x/a.png"});
  EXPECT_EQ(r->changes, 0);
  EXPECT_EQ(r->html, block);
  std::string want = fragment;
  want.replace(want.find("vml 1"), 3, "XXX");
  want.replace(want.find("!vml"), 4, "!XXX");
  EXPECT_EQ(Fragment(block), want);
}

// Every offset moves by the changes before it, and only the header's lines
// count: a picture before the fragment moves its start too, and the
// number after "EndHTML" in the source address stays.
TEST(CfHtml, RewriteMovesOffsetsByTheChangesBeforeThem) {
  Layout p = WithFragment("<img src=\"file:///C:/b.png\">");
  p.before = "<html><body><img src=\"file:///C:/a.png\"><!--StartFragment-->";
  p.sourceUrl = "http://example.org/EndHTML/1/EndFragment/2";
  const std::string block = MakeBlock(p);
  const std::optional<HtmlRewrite> r = RewriteAll(block, {Kind::kReplaced, "https://h/p"});
  ASSERT_TRUE(r);
  const CfHtmlHeader before = ReadCfHtmlHeader(block).value();
  const std::optional<CfHtmlHeader> after = ReadCfHtmlHeader(r->html);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->startHtml, before.startHtml);
  EXPECT_EQ(after->startFragment, before.startFragment - 5);
  EXPECT_EQ(after->endHtml, before.endHtml - 10);
  EXPECT_EQ(Fragment(r->html), "<img src=\"https://h/p\">");
  EXPECT_NE(r->html.find(p.sourceUrl), std::string::npos);
}

// Only the HTML, from StartHTML up to EndHTML, is read. A quote left open
// at its end is no address and takes nothing after it; pictures outside it
// are not asked about; and everything from EndHTML on, the NULs that end
// the block included, comes back as it was.
TEST(CfHtml, RewriteStaysInsideTheHtml) {
  const std::string open = "<img src=\"file:///C:/a.png";
  const std::string picture = "<img src=\"file:///C:/p.png\">";
  const auto layout = [](std::string fragment, std::string after, std::string beforeHtml,
                         std::string afterHtml) {
    Layout p = WithFragment(std::move(fragment));
    p.after = std::move(after);
    p.beforeHtml = std::move(beforeHtml);
    p.afterHtml = std::move(afterHtml);
    return p;
  };
  const AddressDecision replace{Kind::kReplaced, "https://h/p"}, refuse{Kind::kRefused, ""};
  const struct {
    const char* name;
    Layout layout;
    size_t extraNuls;  // after the NUL that ends the text
    AddressDecision decision;
    std::vector<std::string> asked;
    std::string fragment;  // as rewritten
  } cases[] = {
      {"open quote ends the HTML", layout(open, "", "", ""), 0, replace, {}, open},
      {"open quote ends the HTML, more NULs", layout(open, "", "", ""), 3, replace, {}, open},
      {"open quote ends the HTML, refused", layout(open, "", "", ""), 1, refuse, {}, open},
      {"open quote closed after EndHTML", layout(open, "", "", "\"></html>"), 0, replace, {}, open},
      {"open quote after EndHTML", layout("<p>x</p>", "</html>", "", open), 0, replace, {},
       "<p>x</p>"},
      {"open quote after EndHTML, more NULs", layout("<p>x</p>", "</html>", "", open), 2, replace,
       {}, "<p>x</p>"},
      {"picture after EndHTML", layout("<p>x</p>", "</html>", "", picture), 1, replace, {},
       "<p>x</p>"},
      {"picture after EndHTML, refused", layout("<p>x</p>", "</html>", "", picture), 0, refuse,
       {}, "<p>x</p>"},
      {"picture before StartHTML", layout("<p>x</p>", "</html>", picture, ""), 0, replace, {},
       "<p>x</p>"},
      {"picture before StartHTML, refused", layout("<p>x</p>", "</html>", picture + "\r\n", ""), 0,
       refuse, {}, "<p>x</p>"},
      {"picture's quote ends the HTML", layout(open + "\"", "", "", ""), 2, replace,
       {"file:///C:/a.png"}, "<img src=\"https://h/p\""},
      {"picture's tag ends the HTML", layout("<p>" + picture, "", picture, picture), 1, replace,
       {"file:///C:/p.png"}, "<p><img src=\"https://h/p\">"},
  };
  for (const auto& c : cases) {
    std::string block = MakeBlock(c.layout) + std::string(c.extraNuls, '\0');
    const std::string original = block;
    std::vector<std::string> asked;
    const std::optional<HtmlRewrite> r = RewriteCfHtml(block, [&](std::string_view address) {
      asked.emplace_back(address);
      return c.decision;
    });
    if (!r) {
      ADD_FAILURE() << c.name << ": no rewrite";
      continue;
    }
    EXPECT_EQ(asked, c.asked) << c.name;
    EXPECT_EQ(r->changes, static_cast<int>(c.asked.size())) << c.name;
    EXPECT_EQ(block, original) << c.name;
    EXPECT_EQ(Fragment(r->html), c.fragment) << c.name;

    const size_t growth = c.fragment.size() - c.layout.fragment.size();
    const CfHtmlHeader before = ReadCfHtmlHeader(original).value();
    const std::optional<CfHtmlHeader> after = ReadCfHtmlHeader(r->html);
    if (!after) {
      ADD_FAILURE() << c.name << ": the rewritten header does not read";
      continue;
    }
    EXPECT_EQ(after->startHtml, before.startHtml) << c.name;
    EXPECT_EQ(after->endFragment, before.endFragment + growth) << c.name;
    EXPECT_EQ(after->endHtml, before.endHtml + growth) << c.name;
    EXPECT_EQ(r->html.size(), original.size() + growth) << c.name;
    // The bytes between the header and StartHTML are as they were, and so is all from EndHTML on.
    const size_t outside = before.startHtml - c.layout.beforeHtml.size();
    EXPECT_EQ(r->html.substr(outside, before.startHtml - outside),
              original.substr(outside, before.startHtml - outside))
        << c.name;
    EXPECT_EQ(r->html.substr(after->endHtml), original.substr(before.endHtml)) << c.name;
    EXPECT_EQ(r->html.substr(after->endHtml),
              c.layout.afterHtml + std::string(1 + c.extraNuls, '\0'))
        << c.name;
  }
}

TEST(CfHtml, RewriteRefusesWhatItCannotRenumber) {
  Layout small = WithFragment("<img src=\"file:///C:/a.png\">");
  small.before = "<html>";
  small.after = "</html>";
  small.digits = 3;  // EndHTML near 200: a few hundred bytes more need a fourth digit
  Layout cut = WithFragment("<img src=\"file:///C:/a");
  cut.after = ".png\"></body></html>";
  std::string broken = MakeBlock(WithFragment("<img src=\"file:///C:/a.png\">"));
  broken.replace(broken.find("StartHTML:"), 5, "Begin");
  for (const std::string& block : {MakeBlock(small), MakeBlock(cut), broken}) {
    EXPECT_FALSE(RewriteAll(block, {Kind::kReplaced, std::string(900, 'a')})) << block;
  }
}

}  // namespace
}  // namespace gwax
