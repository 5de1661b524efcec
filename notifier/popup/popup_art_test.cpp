// The bitmaps the resource script builds into qptn.exe have the sizes that the
// popup's arithmetic assumes: every button place, strip offset and band
// stretch is computed from these.
#include "notifier/popup/popup_art.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace qptn {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

uint32_t Le(const std::string& b, size_t at, size_t bytes) {
  uint32_t v = 0;
  for (size_t i = 0; i < bytes; ++i) v |= uint32_t(uint8_t(b.at(at + i))) << (8 * i);
  return v;
}

// Resource id -> file named by the resource script, through resource.h.
std::map<int, std::string> BitmapFiles() {
  const std::string dir = QP_RESOURCE_DIR;
  std::map<std::string, int> ids;
  const std::string header = ReadText(dir + "/resource.h");
  const std::regex define(R"(#define\s+(IDB_\w+)\s+(\d+))");
  for (std::sregex_iterator it(header.begin(), header.end(), define), end; it != end; ++it)
    ids[(*it)[1]] = std::stoi((*it)[2]);
  std::map<int, std::string> files;
  const std::string script = ReadText(dir + "/qptn.rc");
  const std::regex entry(R"((IDB_\w+)\s+BITMAP\s+\"([^\"]+)\")");
  for (std::sregex_iterator it(script.begin(), script.end(), entry), end; it != end; ++it) {
    auto id = ids.find((*it)[1]);
    if (id != ids.end()) files[id->second] = dir + "/" + std::string((*it)[2]);
  }
  return files;
}

TEST(PopupArtTest, EveryPopupBitmapIsBuiltAtItsSize) {
  const std::map<int, std::string> files = BitmapFiles();
  const std::vector<int> popup_ids = {
      IDB_POPUP_FOOTER, IDB_POPUP_FOOTER_BAND, IDB_POPUP_HEADER_BAND, IDB_POPUP_HEADER,
      IDB_POPUP_LOGO,   IDB_POPUP_REPLY,       IDB_POPUP_REPLY_ALL,   IDB_POPUP_FORWARD,
      IDB_POPUP_DELETE, IDB_POPUP_ATTACHMENT,  IDB_POPUP_PREVIOUS,    IDB_POPUP_NEXT,
      IDB_POPUP_CLOSE,  IDB_POPUP_MARK_READ,   IDB_POPUP_MARK_SPAM,   IDB_DIALOG_HELP};
  for (int id : popup_ids) {
    SCOPED_TRACE("bitmap " + std::to_string(id));
    auto file = files.find(id);
    ASSERT_NE(file, files.end()) << "no BITMAP entry in the resource script";
    const std::string bmp = ReadText(file->second);
    ASSERT_GE(bmp.size(), 54u) << file->second;
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le(bmp, 2, 4), bmp.size()) << "file size field";
    EXPECT_EQ(Le(bmp, 28, 2), 24u) << "bits per pixel";
    EXPECT_EQ(Le(bmp, 30, 4), 0u) << "compression";
    const int width = int(Le(bmp, 18, 4));
    const int height = int(Le(bmp, 22, 4));
    if (id == IDB_DIALOG_HELP) {
      EXPECT_GT(width, 0);
      EXPECT_GT(height, 0);
      continue;
    }
    EXPECT_EQ(width, PopupBitmapSize(id).width);
    EXPECT_EQ(height, PopupBitmapSize(id).height);
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    EXPECT_EQ(bmp.size(), Le(bmp, 10, 4) + stride * size_t(height)) << "pixel rows";
  }
}

}  // namespace
}  // namespace qptn
