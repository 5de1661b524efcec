#include "notifier/popup/contrast_palette.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace qptn {
namespace {

std::string Show(Rgb c) {
  return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// Every colour role, by name, for tables over all of them.
struct Role {
  const char* name;
  Rgb Palette::*colour;
};
const Role kRoles[] = {
    {"background", &Palette::background},     {"text", &Palette::text},
    {"heading", &Palette::heading},           {"link", &Palette::link},
    {"errorText", &Palette::errorText},       {"frame", &Palette::frame},
    {"boxFill", &Palette::boxFill},           {"gridLine", &Palette::gridLine},
    {"titleRowFill", &Palette::titleRowFill}, {"shadedRowFill", &Palette::shadedRowFill},
};

// Schemes as users pick them; none shares a colour with the own palette.
const SystemColours kSchemes[] = {
    {{0, 0, 0}, {255, 255, 255}, {255, 255, 0}},     // black, white text, yellow links
    {{254, 254, 254}, {1, 1, 1}, {0, 0, 159}},       // white, black text, dark blue links
    {{0, 0, 80}, {255, 255, 100}, {0, 255, 255}},    // dark blue, yellow text, cyan links
    {{30, 60, 90}, {200, 210, 220}, {250, 120, 10}}  // no two channels alike
};

TEST(ContrastPaletteTest, WithoutHighContrastTheOwnColoursWhateverTheSystemHas) {
  struct Expected {
    const char* role;
    Rgb colour;
  };
  const Expected expected[] = {
      {"background", {255, 255, 255}},
      {"text", {0, 0, 0}},
      {"heading", {0, 0, 0}},
      {"link", {0, 0, 255}},
      {"errorText", {255, 0, 0}},
      {"frame", {160, 160, 134}},
      {"boxFill", {226, 226, 202}},
      {"gridLine", {180, 180, 180}},
      {"titleRowFill", {221, 221, 221}},
      {"shadedRowFill", {245, 245, 245}},
  };
  ASSERT_EQ(std::size(expected), std::size(kRoles));
  for (const SystemColours& scheme : kSchemes) {
    const Palette p = ChoosePalette({false, scheme});
    EXPECT_FALSE(p.highContrast);
    EXPECT_TRUE(p.drawsBackdrops);
    for (size_t i = 0; i < std::size(kRoles); ++i) {
      ASSERT_STREQ(kRoles[i].name, expected[i].role);
      EXPECT_EQ(Show(p.*kRoles[i].colour), Show(expected[i].colour))
          << kRoles[i].name << " with window " << Show(scheme.window);
    }
  }
}

TEST(ContrastPaletteTest, HighContrastPaintsEveryRoleInTheSchemesColours) {
  struct Expected {
    const char* role;
    Rgb SystemColours::*colour;
  };
  const Expected expected[] = {
      {"background", &SystemColours::window},    {"text", &SystemColours::windowText},
      {"heading", &SystemColours::windowText},   {"link", &SystemColours::hotLight},
      {"errorText", &SystemColours::windowText}, {"frame", &SystemColours::windowText},
      {"boxFill", &SystemColours::window},       {"gridLine", &SystemColours::windowText},
      {"titleRowFill", &SystemColours::window},  {"shadedRowFill", &SystemColours::window},
  };
  ASSERT_EQ(std::size(expected), std::size(kRoles));
  for (const SystemColours& scheme : kSchemes) {
    const Palette p = ChoosePalette({true, scheme});
    EXPECT_TRUE(p.highContrast);
    EXPECT_FALSE(p.drawsBackdrops) << "no artwork behind texts";
    for (size_t i = 0; i < std::size(kRoles); ++i) {
      ASSERT_STREQ(kRoles[i].name, expected[i].role);
      EXPECT_EQ(Show(p.*kRoles[i].colour), Show(scheme.*expected[i].colour))
          << kRoles[i].name << " with window " << Show(scheme.window);
    }
    EXPECT_NE(Show(p.link), Show(p.text)) << "links stand out from text";
  }
}

TEST(ContrastPaletteTest, LinksThatWouldVanishOnTheWindowTakeTheWindowText) {
  const SystemColours scheme{{0, 0, 0}, {255, 255, 255}, {0, 0, 0}};
  EXPECT_EQ(Show(ChoosePalette({true, scheme}).link), Show(scheme.windowText));
}

TEST(ContrastPaletteTest, OnlyTheBackdropsGiveWayToTheBackground) {
  const Palette own = ChoosePalette({false, kSchemes[0]});
  const Palette high = ChoosePalette({true, kSchemes[0]});
  const std::vector<int> backdrops = {IDB_POPUP_HEADER, IDB_POPUP_HEADER_BAND,
                                      IDB_POPUP_FOOTER_BAND};
  const std::vector<int> kept = {IDB_POPUP_FOOTER,     IDB_POPUP_LOGO,      IDB_POPUP_REPLY,
                                 IDB_POPUP_REPLY_ALL,  IDB_POPUP_FORWARD,   IDB_POPUP_DELETE,
                                 IDB_POPUP_ATTACHMENT, IDB_POPUP_PREVIOUS,  IDB_POPUP_NEXT,
                                 IDB_POPUP_CLOSE,      IDB_POPUP_MARK_READ, IDB_POPUP_MARK_SPAM,
                                 IDB_DIALOG_HELP};
  for (int id : backdrops) {
    EXPECT_TRUE(DrawsBitmap(own, id)) << id;
    EXPECT_FALSE(DrawsBitmap(high, id)) << id;
  }
  for (int id : kept) {
    EXPECT_TRUE(DrawsBitmap(own, id)) << id;
    EXPECT_TRUE(DrawsBitmap(high, id)) << id;
  }
}

TEST(ContrastPaletteTest, TheSystemsAnswerAndWhereItHasNoneTheStoredFlags) {
  struct Case {
    uint32_t queried;
    std::optional<uint32_t> stored;
    bool on;
  };
  const Case cases[] = {
      {0x7f, std::nullopt, true},   // Windows, on
      {0x7e, std::nullopt, false},  // Windows, off
      {0x7e, 127, false},           // where the query answers, it wins
      {0x03, 126, true},            // on, whatever the profile says
      {0x00, 127, true},            // Wine 8: no answer, the profile's flags
      {0x00, 126, false},           // the same, off
      {0x00, std::nullopt, false},  // neither says anything
      {0x01, std::nullopt, false},  // "on" without "available" is no answer
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HighContrastOn(c.queried, c.stored), c.on)
        << "queried " << c.queried << " stored " << (c.stored ? int(*c.stored) : -1);
  }
}

TEST(ContrastPaletteTest, StoredFlagsAreADecimalNumber) {
  struct Case {
    std::u16string text;
    std::optional<uint32_t> flags;
  };
  const Case cases[] = {
      {u"127", 127u},          {u"126", 126u},        {u"0", 0u},
      {u"4294967", 4294967u},  {u"", std::nullopt},   {u"12a", std::nullopt},
      {u" 127", std::nullopt}, {u"-1", std::nullopt}, {u"9999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StoredContrastFlags(c.text), c.flags) << std::string(c.text.begin(), c.text.end());
  }
}

}  // namespace
}  // namespace qptn
