#include "control/clipboard/virtual_file_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gwax {
namespace {

// A file group descriptor as another program lays it out: the count, then
// one descriptor per name with the rest of each descriptor filled with 0xEE.
std::string Descriptors(uint32_t count, const std::vector<std::string>& names) {
  std::string block;
  for (int i = 0; i < 4; ++i) block += static_cast<char>(count >> (8 * i));
  for (const std::string& name : names) {
    std::string d(kFileDescriptorSize, '\xEE');
    d.replace(kFileDescriptorNameOffset, name.size(), name);
    if (name.size() < kFileDescriptorNameBytes) d[kFileDescriptorNameOffset + name.size()] = '\0';
    block += d;
  }
  return block;
}

TEST(VirtualFileList, NamesOfTheDescriptorsInTheBlock) {
  const std::string full(kFileDescriptorNameBytes, 'n');
  using Names = std::vector<std::string>;
  const struct {
    std::string block;
    Names names;
  } cases[] = {
      {Descriptors(2, {"report.pdf", "R\xE9sum\xE9.doc"}), {"report.pdf", "R\xE9sum\xE9.doc"}},
      {Descriptors(1, {full}), {full}},
      {Descriptors(1, {""}), {""}},
      {Descriptors(0xFFFFFFFF, {"a", "b"}), {"a", "b"}},
      {Descriptors(3, {"a", "b", "c"}).substr(0, 4 + 3 * kFileDescriptorSize - 1), {"a", "b"}},
      {Descriptors(1, {"a"}) + "trailing", {"a"}},
      {Descriptors(0, {"a"}), {}},
      {"\x01\0\0", {}},
      {"", {}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(VirtualFileNames(cases[i].block), cases[i].names) << i;
  }
}

}  // namespace
}  // namespace gwax
