#include "control/clipboard/drop_list.h"

#include <gtest/gtest.h>

#include <string>

namespace gwax {
namespace {

// A DROPFILES header: the offset of the paths and the wide flag, the rest 0.
std::string Header(uint32_t pFiles, bool wide) {
  std::string header(kDropFilesHeaderSize, '\0');
  for (int i = 0; i < 4; ++i) header[i] = static_cast<char>(pFiles >> (8 * i));
  header[16] = wide ? 1 : 0;
  return header;
}

// `text` in 16-bit little-endian units ('|' stands for NUL).
std::string Wide(const std::string& text) {
  std::string bytes;
  for (char c : text) {
    bytes += c == '|' ? '\0' : c;
    bytes += '\0';
  }
  return bytes;
}

std::string Narrow(std::string text) {
  for (char& c : text) c = c == '|' ? '\0' : c;
  return text;
}

TEST(DropList, ReadableOnlyWhenTheListEndsInsideTheBlock) {
  const struct {
    const char* what;
    std::string block;
    bool readable;
  } cases[] = {
      {"empty block", "", false},
      {"header cut short", Header(20, true).substr(0, 19), false},
      {"header only: no terminator", Header(20, true), false},
      {"wide, one path", Header(20, true) + Wide("C:\\a.txt||"), true},
      {"wide, two paths", Header(20, true) + Wide("C:\\a|C:\\b||"), true},
      {"wide, empty list", Header(20, true) + Wide("|"), true},
      {"wide, last path unterminated", Header(20, true) + Wide("C:\\a|C:\\b"), false},
      {"wide, list without its empty path", Header(20, true) + Wide("C:\\a|"), false},
      {"wide, half a terminator", Header(20, true) + Wide("C:\\a|") + std::string(1, '\0'), false},
      {"wide, odd offset", Header(21, true) + "x" + Wide("C:\\a||"), true},
      {"narrow, one path", Header(20, false) + Narrow("C:\\a.txt||"), true},
      {"narrow, unterminated", Header(20, false) + Narrow("C:\\a.txt|"), false},
      {"offset at the end", Header(24, false) + Narrow("C:\\|"), false},
      {"offset past the end", Header(0x7fffffff, true) + Wide("C:\\a||"), false},
      {"offset all ones", Header(0xffffffff, false) + Narrow("||"), false},
      {"offset into the header", Header(4, false) + Narrow("x||"), true},
      {"paths after padding", Header(32, true) + std::string(12, 'p') + Wide("C:\\a||"), true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsReadableDropList(c.block), c.readable) << c.what;
  }
}

}  // namespace
}  // namespace gwax
