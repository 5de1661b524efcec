#include "notifier/service/xsd_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QPTSoap {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

TEST(XsdText, IntsAndBooleans) {
  struct Case {
    std::u16string text;
    bool ok;
    int32_t value;
  };
  const Case ints[] = {
      {u"42", true, 42},          {u" \t-7\r\n", true, -7},  {u"+3", true, 3},
      {u"-2147483648", true, INT32_MIN}, {u"2147483647", true, INT32_MAX},
      {u"2147483648", false, 0},  {u"", false, 0},          {u"-", false, 0},
      {u"1 2", false, 0},         {u"0x10", false, 0},
  };
  for (const Case& c : ints) {
    int32_t value = 0;
    EXPECT_EQ(ReadInt(c.text, value), c.ok) << Narrow(c.text);
    if (c.ok) {
      EXPECT_EQ(value, c.value) << Narrow(c.text);
    }
  }
  EXPECT_EQ(ReadBoolean(u"true"), 1);
  EXPECT_EQ(ReadBoolean(u"0"), 0);
  EXPECT_EQ(ReadBoolean(u" true"), -1) << "no blanks around a boolean";
  EXPECT_EQ(ReadBoolean(u"TRUE"), -1);
}

TEST(XsdText, ArraySizesMultiplyWithinTheLimit) {
  struct Case {
    std::u16string text;
    int64_t size;
  };
  const Case cases[] = {
      {u"x:Message[3]", 3}, {u"x:int[ 2 , 3 ]", 6}, {u"x:int[0]", 0},
      {u"x:int[100]", 100}, {u"x:int[101]", -1},    {u"x:int[20,6]", -1},
      {u"x:int[]", -1},     {u"x:int[,2]", -1},     {u"x:int[2", -1},
      {u"x:int", -1},       {u"x:int[2;3]", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadArraySize(c.text, 100), c.size) << Narrow(c.text);
}

TEST(XsdText, Base64ArrivesInRunsAndEndsAtANul) {
  struct Case {
    const char* what;
    std::vector<std::u16string> runs;
    std::string bytes;
  };
  const Case cases[] = {
      {"one run", {u"SGVsbG8="}, "Hello"},
      {"a group split between runs", {u"SG", u"Vs", u"bG8"}, "Hello"},
      {"blanks and padding passed over", {u"SGVs\nbG8h\r\n"}, "Hell\x6f!"},
      {"two characters left", {u"SGk"}, "Hi"},
      {"one character left is nothing", {u"SGVsb"}, "Hel"},
      // What came before the NUL still counts, its unfinished group too.
      {"a NUL ends the block", {u"SGVs", std::u16string(u"bG8\0SGk=", 8), u"SGk="}, "Hello"},
  };
  for (const Case& c : cases) {
    Base64Decoder decoder;
    std::string out;
    for (const std::u16string& run : c.runs) decoder.Feed(run, out);
    decoder.Finish(out);
    EXPECT_EQ(out, c.bytes) << c.what;
  }
}

}  // namespace
}  // namespace QPTSoap
