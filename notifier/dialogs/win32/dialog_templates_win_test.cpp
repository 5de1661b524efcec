// The dialog templates as built into the program: sizes, styles, fonts and
// every control's id, class, text and place in dialog units.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "notifier/resources/resource.h"

namespace {

struct Item {
  int id;
  std::string kind;  // "button", "edit", "static", "combo" or the class name
  std::string text;
  int x, y, w, h;
  DWORD style;
};

struct Template {
  DWORD style;
  int x, y, w, h;
  std::string caption;
  int pointSize;
  std::string font;
  std::vector<Item> items;
};

// Reads a DLGTEMPLATEEX resource.
class Reader {
 public:
  explicit Reader(const uint8_t* base) : base_(base), at_(base) {}
  uint16_t Word() {
    uint16_t v;
    memcpy(&v, at_, 2);
    at_ += 2;
    return v;
  }
  uint32_t Dword() {
    uint32_t v;
    memcpy(&v, at_, 4);
    at_ += 4;
    return v;
  }
  std::string String() {
    std::string s;
    for (uint16_t c = Word(); c != 0; c = Word()) s += c < 128 ? char(c) : '?';
    return s;
  }
  // A string or an ordinal; an ordinal comes back as "#N".
  std::string StringOrOrdinal() {
    uint16_t first;
    memcpy(&first, at_, 2);
    if (first == 0) {
      at_ += 2;
      return "";
    }
    if (first == 0xffff) {
      at_ += 2;
      return "#" + std::to_string(Word());
    }
    return String();
  }
  void AlignDword() {
    while ((at_ - base_) % 4 != 0) ++at_;
  }
  void Skip(size_t n) { at_ += n; }

 private:
  const uint8_t* base_;
  const uint8_t* at_;
};

// The predefined classes, given by ordinal or by name (any case).
std::string Kind(std::string cls) {
  for (char& c : cls) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (cls == "#128" || cls == "button") return "button";
  if (cls == "#129" || cls == "edit") return "edit";
  if (cls == "#130" || cls == "static") return "static";
  if (cls == "#133" || cls == "combobox") return "combo";
  return cls;
}

Template Load(int id) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  EXPECT_NE(found, nullptr) << "template " << id;
  if (!found) return {};
  Reader r(static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found))));
  Template t;
  EXPECT_EQ(r.Word(), 1) << "DLGTEMPLATEEX version";
  EXPECT_EQ(r.Word(), 0xffff);
  r.Dword();  // help id
  r.Dword();  // extended style
  t.style = r.Dword();
  const int count = r.Word();
  t.x = int16_t(r.Word());
  t.y = int16_t(r.Word());
  t.w = int16_t(r.Word());
  t.h = int16_t(r.Word());
  r.StringOrOrdinal();  // menu
  r.StringOrOrdinal();  // class
  t.caption = r.String();
  if (t.style & DS_SETFONT) {
    t.pointSize = r.Word();
    r.Word();   // weight
    r.Skip(2);  // italic, character set
    t.font = r.String();
  }
  for (int i = 0; i < count; ++i) {
    r.AlignDword();
    Item item;
    r.Dword();  // help id
    r.Dword();  // extended style
    item.style = r.Dword();
    item.x = int16_t(r.Word());
    item.y = int16_t(r.Word());
    item.w = int16_t(r.Word());
    item.h = int16_t(r.Word());
    item.id = int32_t(r.Dword());
    item.kind = Kind(r.StringOrOrdinal());
    item.text = r.StringOrOrdinal();
    r.Skip(r.Word());  // creation data
    t.items.push_back(item);
  }
  return t;
}

void ExpectItems(const Template& t, const std::vector<Item>& expected) {
  ASSERT_EQ(t.items.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const Item& a = t.items[i];
    const Item& e = expected[i];
    SCOPED_TRACE("control " + std::to_string(e.id) + " " + e.text);
    EXPECT_EQ(a.id, e.id);
    EXPECT_EQ(a.kind, e.kind);
    EXPECT_EQ(a.text, e.text);
    EXPECT_EQ((std::vector<int>{a.x, a.y, a.w, a.h}), (std::vector<int>{e.x, e.y, e.w, e.h}));
    EXPECT_EQ(a.style & e.style, e.style) << std::hex << a.style;
  }
}

constexpr DWORD kLargeDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr DWORD kCheckBox = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kCombo = CBS_DROPDOWN | WS_TABSTOP;
constexpr DWORD kEdit = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;

TEST(DialogTemplates, Settings) {
  const Template t = Load(IDD_SETTINGS);
  EXPECT_EQ(t.style & kLargeDialog, kLargeDialog);
  EXPECT_EQ((std::vector<int>{t.w, t.h}), (std::vector<int>{257, 168}));
  EXPECT_EQ(t.caption, "");
  EXPECT_EQ(t.font, "Arial");
  EXPECT_EQ(t.pointSize, 9);
  ExpectItems(t, {
                     {1001, "button", "Run on Windows login", 7, 40, 88, 10, kCheckBox},
                     {1009, "button", "Enable mailto: links", 94, 39, 78, 10, kCheckBox},
                     {1014, "button", "Enable alert sound", 175, 39, 75, 10, kCheckBox},
                     {1011, "static", "Check every:", 7, 53, 62, 8, 0},
                     {1002, "combo", "", 7, 62, 70, 36, kCombo},
                     {1012, "static", "Display for:", 92, 52, 36, 8, 0},
                     {1007, "combo", "", 92, 62, 70, 30, kCombo},
                     {1013, "static", "Show:", 180, 52, 20, 8, 0},
                     {1003, "combo", "", 180, 62, 70, 36, kCombo},
                     {1000, "button", "Add Email Address", 137, 150, 77, 11, 0},
                     {2, "button", "Close", 216, 150, 34, 11, BS_DEFPUSHBUTTON},
                     {1010, "static", "Quillpost by Vantrell", 7, 153, 116, 8, 0},
                 });
}

TEST(DialogTemplates, Account) {
  const Template t = Load(IDD_ACCOUNT);
  EXPECT_EQ(t.style & kLargeDialog, kLargeDialog);
  EXPECT_EQ((std::vector<int>{t.w, t.h}), (std::vector<int>{257, 169}));
  EXPECT_EQ(t.font, "Arial");
  EXPECT_EQ(t.pointSize, 9);
  ExpectItems(t, {
                     {-1, "static", "Email Address:", 7, 43, 48, 8, 0},
                     {1005, "edit", "", 7, 52, 149, 12, kEdit},
                     {-1, "static", "Password:", 7, 68, 34, 8, 0},
                     {1006, "edit", "", 7, 77, 149, 12, kEdit | ES_PASSWORD},
                     {1003, "static", "Authenticating password...", 135, 124, 115, 8, SS_RIGHT},
                     {1004, "static", "Incorrect email address or password.", 7, 136, 243, 8,
                      SS_RIGHT},
                     {1, "button", "OK", 177, 152, 36, 10, BS_DEFPUSHBUTTON},
                     {2, "button", "Cancel", 214, 152, 36, 10, 0},
                 });
  // Both status texts are hidden at start.
  EXPECT_FALSE(t.items[4].style & WS_VISIBLE);
  EXPECT_FALSE(t.items[5].style & WS_VISIBLE);
}

TEST(DialogTemplates, Confirmation) {
  const Template t = Load(IDD_CONFIRM);
  constexpr DWORD kStyle = WS_POPUP | WS_SYSMENU | DS_CENTER | DS_SETFONT | DS_FIXEDSYS;
  EXPECT_EQ(t.style & kStyle, kStyle);
  EXPECT_FALSE(t.style & WS_CAPTION);
  EXPECT_EQ((std::vector<int>{t.w, t.h}), (std::vector<int>{186, 66}));
  EXPECT_EQ(t.font, "MS Shell Dlg");
  EXPECT_EQ(t.pointSize, 8);
  ExpectItems(t, {
                     {-1, "static", "Are you sure you want to delete this email address?", 7, 16,
                      167, 16, 0},
                     {1, "button", "OK", 90, 47, 43, 12, BS_DEFPUSHBUTTON},
                     {2, "button", "Cancel", 136, 47, 43, 12, 0},
                 });
}

}  // namespace
