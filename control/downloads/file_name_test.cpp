#include "control/downloads/file_name.h"

#include <gtest/gtest.h>

#include <string>

#include "control/downloads/download_list.h"

namespace gwax {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

// Names a page (or mail shown on it) could pass; none may leave the folder
// or name a device.
TEST(FileName, HostileNamesStayInTheFolder) {
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
    EXPECT_EQ(Narrow(SafeFileName(c.name)), Narrow(c.safe)) << Narrow(c.name);
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

}  // namespace
}  // namespace gwax
