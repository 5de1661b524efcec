#include "control/downloads/file_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/downloads/download_list.h"
#include "control/downloads/upcase_table.h"

namespace gwax {
namespace {

// The names the list keeps for attachments added under `names`.
std::vector<std::u16string> Listed(const std::vector<std::u16string>& names) {
  DownloadList list;
  const auto absolute = [](std::u16string_view) { return true; };
  for (const auto& name : names) AddDownload(list, u"http://h/f", name, u"", u"", absolute);
  return list.names;
}

// Names a page (or mail shown on it) could pass; none may leave the folder
// or name a device, and none may draw as another name: what reorders or
// hides text becomes "_", so the name shows what it is.
TEST(FileName, HostileNamesAreMadeSafe) {
  struct Case {
    std::u16string name;
    std::u16string safe;
  };
  const Case cases[] = {
      {u"report.pdf", u"report.pdf"},
      {u"Résumé 2024.docx", u"Résumé 2024.docx"},
      {u"..\\..\\Windows\\win.ini", u"....Windowswin.ini"},
      {u"../../etc/passwd", u"....etcpasswd"},
      {u"/abs/path.txt", u"abspath.txt"},
      {u"C:\\Users\\me\\evil.exe", u"CUsersmeevil.exe"},
      {u"\\\\server\\share\\x", u"serversharex"},
      {u"\\\\?\\C:\\x", u"_Cx"},
      {u"a.txt:stream", u"a.txtstream"},
      {u"a.txt::$DATA", u"a.txt$DATA"},
      {u"..", u"_"},
      {u".", u"_"},
      {u"...", u"download"},
      {u" .. ", u"download"},
      {u"name. . .", u"name"},
      {u"trailing   ", u"trailing"},
      {u"", u"download"},
      {u"\\/:", u"download"},
      {std::u16string(u"a\0b.txt", 7), u"ab.txt"},
      {u"tab\there\r\n.txt", u"tabhere.txt"},
      {u"a<b>c\"d|e?f*g.txt", u"a_b_c_d_e_f_g.txt"},
      {u"CON", u"_CON"},
      {u"con.txt", u"_con.txt"},
      {u"Nul.tar.gz", u"_Nul.tar.gz"},
      {u"aux ", u"_aux"},
      {u"PRN .log", u"_PRN .log"},
      {u"COM1", u"_COM1"},
      {u"com\u00B9.txt", u"_com\u00B9.txt"},
      {u"CONIN$", u"_CONIN$"},
      {u"conout$.log", u"_conout$.log"},
      {u"lpt9.doc", u"_lpt9.doc"},
      {u"COM0", u"COM0"},
      {u"COM10", u"COM10"},
      {u"CONSOLE.txt", u"CONSOLE.txt"},
      {u"C:CON", u"CCON"},
      {u"x/CON", u"xCON"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SafeFileName(c.name), c.safe) << testing::PrintToString(c.name);
  }
}

// The list keeps safe names, made unique after cleaning.
TEST(FileName, CleanedBeforeTheyAreMadeUnique) {
  DownloadList list;
  const auto absolute = [](std::u16string_view) { return true; };
  for (const char16_t* name : {u"a.txt", u"..\\a.txt", u"a.txt.", u"CON", u"con"}) {
    AddDownload(list, u"http://h/f", name, u"", u"", absolute);
  }
  const std::vector<std::u16string> want = {u"a.txt", u"..a.txt", u"a(1).txt", u"_CON", u"_con(1)"};
  EXPECT_EQ(list.names, want);
}

// Names the file system holds as one file, and names it holds apart.
TEST(FileName, ComparedAsTheFileSystemComparesThem) {
  struct Case {
    std::u16string a;
    std::u16string b;
    bool same;
  };
  const Case cases[] = {
      {u"report.pdf", u"REPORT.PDF", true},
      {u"\u00E9t\u00E9.pdf", u"\u00C9T\u00C9.pdf", true},           // Latin-1
      {u"\u00FF", u"\u0178", true},                                   // y with diaeresis
      {u"\u03B1\u03B2\u03B3.txt", u"\u0391\u0392\u0393.txt", true},  // Greek
      {u"\u03C3", u"\u03A3", true},
      {u"\u03C2", u"\u03A3", false},                                  // final sigma: its capital's small letter is another
      {u"\u0444\u0430\u0439\u043B", u"\u0424\u0410\u0419\u041B", true},  // Cyrillic
      {u"\u0451", u"\u0401", true},
      {u"\uFF41\uFF42\uFF43", u"\uFF21\uFF22\uFF23", true},        // fullwidth
      {u"\u0561", u"\u0531", true},                                   // Armenian
      {u"\u10D0", u"\u1C90", true},                                   // Georgian
      {u"\u01C6", u"\u01C4", true},                                   // dz digraph
      {u"\u01C5", u"\u01C6", false},                                  // its title case stays
      {u"\u00B5", u"\u039C", false},                                  // micro sign
      {u"\u0131", u"I", false},                                        // dotless i
      {u"\u017F", u"s", false},                                        // long s
      {u"\u1F80", u"\u1F88", true},                                   // Greek with ypogegrammeni
      {u"\u24D0", u"\u24B6", true},                                   // circled letters
      {u"\u00DF", u"SS", false},                                       // no one-letter uppercase
      {u"\u00DF", u"\u1E9E", false},
      {u"\u212A", u"k", false},                                        // the Kelvin sign is upper case
      {u"\u0130", u"i", false},                                        // dotted capital I
      {u"\U00010428", u"\U00010400", false},                          // beyond the plane
      {u"a.txt", u"a.txt ", false},
      {u"e\u0301", u"\u00C9", false},                                  // not normalised
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameFileName(c.a, c.b), c.same) << testing::PrintToString(c.a) << " / " << testing::PrintToString(c.b);
    EXPECT_EQ(SameFileName(c.b, c.a), c.same) << testing::PrintToString(c.b) << " / " << testing::PrintToString(c.a);
  }
}

// Every unit of the plane, against what the table promises as a whole.
TEST(FileName, UpcaseCoversThePlane) {
  unsigned mapped = 0;
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const char16_t unit = static_cast<char16_t>(u);
    const char16_t upper = UpcaseNameUnit(unit);
    if (upper != unit) ++mapped;
    EXPECT_EQ(UpcaseNameUnit(upper), upper) << "U+" << std::hex << u;
    if (u < 0x80) {
      EXPECT_EQ(upper, (u >= 'a' && u <= 'z') ? u - 32 : u) << u;
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
      EXPECT_EQ(upper, unit) << "U+" << std::hex << u;
    }
  }
  EXPECT_EQ(mapped, upcase_table::kMappedUnits);
}

// Unique within the list as the file system sees it: otherwise the second
// file overwrites the first in the folder.
TEST(FileName, UniqueWhereCaseBeyondAsciiDiffers) {
  struct Case {
    std::vector<std::u16string> added;
    std::vector<std::u16string> listed;
  };
  const Case cases[] = {
      {{u"\u00E9t\u00E9.pdf", u"\u00C9T\u00C9.pdf"}, {u"\u00E9t\u00E9.pdf", u"\u00C9T\u00C9(1).pdf"}},
      {{u"\u03C3.txt", u"\u03A3.txt", u"\u03C2.txt"}, {u"\u03C3.txt", u"\u03A3(1).txt", u"\u03C2.txt"}},
      {{u"\u0444.doc", u"\u0424.DOC"}, {u"\u0444.doc", u"\u0424(1).DOC"}},
      {{u"\uFF41", u"\uFF21"}, {u"\uFF41", u"\uFF21(1)"}},
      // What cleaning removes or replaces makes no difference either.
      {{u"a:b.txt", u"AB.TXT", u"a/b.txt."}, {u"ab.txt", u"AB(1).TXT", u"ab(2).txt"}},
      {{u"x\u202E.txt", u"X_.TXT"}, {u"x_.txt", u"X_(1).TXT"}},
      {{u"\u00DF.txt", u"SS.txt"}, {u"\u00DF.txt", u"SS.txt"}},
  };
  for (const auto& c : cases) {
    const std::vector<std::u16string> listed = Listed(c.added);
    ASSERT_EQ(listed.size(), c.listed.size());
    for (size_t i = 0; i < listed.size(); ++i) {
      EXPECT_EQ(listed[i], c.listed[i]) << testing::PrintToString(c.added[i]);
    }
  }
}

// Every name fits in a file name, keeping its extension and its suffix.
TEST(FileName, LongNamesAreShortened) {
  const std::u16string a300(300, u'a');
  const std::u16string a255(255, u'a');
  const std::u16string emoji = u"\U0001F600";  // two units
  std::vector<std::u16string> elevenListed = {a255};
  for (int n = 1; n <= 10; ++n) {
    const std::string suffix = "(" + std::to_string(n) + ")";
    elevenListed.push_back(std::u16string(255 - suffix.size(), u'a') +
                           std::u16string(suffix.begin(), suffix.end()));
  }
  struct Case {
    const char* what;
    std::vector<std::u16string> added;
    std::vector<std::u16string> listed;
  };
  const Case cases[] = {
      {"300 units and an extension", {a300 + u".pdf"}, {std::u16string(251, u'a') + u".pdf"}},
      {"300 units without an extension", {a300}, {a255}},
      {"255 units, then again", {a255, a255}, {a255, std::u16string(252, u'a') + u"(1)"}},
      {"251 and an extension, three times",
       {a300 + u".pdf", a300 + u".pdf", a300 + u".pdf"},
       {std::u16string(251, u'a') + u".pdf", std::u16string(248, u'a') + u"(1).pdf",
        std::u16string(248, u'a') + u"(2).pdf"}},
      {"255 units, eleven times", std::vector<std::u16string>(11, a255), elevenListed},
      {"a cut that would split a pair",
       {std::u16string(250, u'a') + emoji + emoji + u".txt"},
       {std::u16string(250, u'a') + u".txt"}},
      {"a cut right after a pair",
       {std::u16string(249, u'a') + emoji + emoji + u".txt"},
       {std::u16string(249, u'a') + emoji + u".txt"}},
      {"an extension too long to be one",
       {u"a." + a300},
       {u"a." + std::u16string(253, u'a')}},
      {"a stem cut down to blanks", {u"b" + std::u16string(300, u' ') + u"c"}, {u"b"}},
      {"a stem cut down to a device", {u"CON" + std::u16string(300, u' ') + u"c"}, {u"_CON"}},
      {"the extension alone", {u"." + a300}, {u"." + std::u16string(254, u'a')}},
  };
  for (const auto& c : cases) {
    const std::vector<std::u16string> listed = Listed(c.added);
    ASSERT_EQ(listed.size(), c.listed.size()) << c.what;
    for (size_t i = 0; i < listed.size(); ++i) {
      EXPECT_LE(listed[i].size(), kMaxNameUnits) << c.what;
      EXPECT_EQ(listed[i], c.listed[i]) << c.what << " #" << i;
    }
  }
}

}  // namespace
}  // namespace gwax
