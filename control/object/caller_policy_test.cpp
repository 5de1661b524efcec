#include "control/object/caller_policy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gwax {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

constexpr char16_t kBrowser[] = u"C:\\Program Files\\Internet Explorer\\iexplore.exe";
constexpr char16_t kCscript[] = u"C:\\windows\\system32\\cscript.exe";

TEST(CallerPolicy, ScriptHostsByTheirFileName) {
  struct Case {
    const char16_t* path;
    bool scriptHost;
  };
  const Case cases[] = {
      {kCscript, true},
      {u"C:\\WINDOWS\\SYSTEM32\\CScript.EXE", true},
      {u"C:\\windows\\system32\\wscript.exe", true},
      {u"C:/windows/syswow64/WScript.exe", true},
      {u"wscript.exe", true},
      {kBrowser, false},
      {u"C:\\tools\\cscript.exe\\iexplore.exe", false},  // only the file name counts
      {u"C:\\tools\\mycscript.exe", false},
      {u"C:\\tools\\cscript.exe.bak", false},
      {u"C:\\tools\\cscript", false},
      {u"C:\\tools\\", false},
      {u"", false},  // the program's path could not be read
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsScriptHostProgram(c.path), c.scriptHost) << Narrow(c.path);
  }
}

// What binds a control to its page: the sites it was given, in order.
TEST(CallerPolicy, AnySiteBindsTheControlForGood) {
  struct Site {
    bool embedding;  // IOleObject::SetClientSite, else IObjectWithSite::SetSite
    bool given;
    bool pageFound;
    const char16_t* process;
  };
  struct Case {
    const char* label;
    std::vector<Site> sites;
    bool bound;
  };
  const Case cases[] = {
      {"no site", {}, false},
      {"embedded", {{true, true, false, kBrowser}}, true},
      {"embedded in a script host", {{true, true, false, kCscript}}, true},
      {"embedding site taken away", {{true, true, true, kBrowser}, {true, false, false, kBrowser}}, true},
      {"only a null client site", {{true, false, false, kBrowser}}, false},
      {"browser site with a page", {{false, true, true, kBrowser}}, true},
      {"browser site without a page", {{false, true, false, kBrowser}}, true},
      {"script host's site, no page", {{false, true, false, kCscript}}, false},
      {"script host's site leading to a page", {{false, true, true, kCscript}}, true},
      {"only a null object site", {{false, false, false, kBrowser}}, false},
      {"browser site taken away", {{false, true, false, kBrowser}, {false, false, false, kBrowser}}, true},
      {"script host's site, then embedded", {{false, true, false, kCscript}, {true, true, false, kCscript}}, true},
  };
  for (const auto& c : cases) {
    CallerPolicy policy;
    for (const auto& site : c.sites) {
      if (site.embedding) {
        policy.OnClientSite(site.given);
      } else {
        policy.OnObjectSite(site.given, site.pageFound, site.process);
      }
    }
    // A bound control without a page is refused; an unbound one is not.
    EXPECT_EQ(policy.Allows(u"", std::nullopt, {}), !c.bound) << c.label;
    EXPECT_EQ(policy.WantsPageAgain(u""), c.bound) << c.label;
    EXPECT_FALSE(policy.WantsPageAgain(u"https://mail.quillpost.com/read.php")) << c.label;
  }
}

// The decision of a member, with "127.0.0.1" allowed by the administrator
// where the case says so.
TEST(CallerPolicy, PageAndUploadHostDecideTogether) {
  constexpr char16_t kProduct[] = u"https://mail.quillpost.com/mail/read.php";
  constexpr char16_t kLocal[] = u"http://127.0.0.1:8080/mail/read.php";
  struct Case {
    bool bound;
    const char16_t* page;
    const char16_t* uploadHost;  // null: a member that uploads nothing
    bool listed;
    bool allowed;
  };
  const Case cases[] = {
      {false, u"", nullptr, false, true},  // a script host's control
      {false, u"", u"mail.quillpost.com", false, true},
      {false, u"", u"evil.example", false, false},
      {false, u"", u"mail.quillpost.com@evil.example", false, false},
      {false, u"", u"127.0.0.1:8080", false, false},
      {false, u"", u"127.0.0.1:8080", true, true},
      {false, u"https://evil.example/", nullptr, false, true},  // no site: no page rule
      {true, u"", nullptr, false, false},
      {true, u"", u"mail.quillpost.com", false, false},
      {true, kProduct, nullptr, false, true},
      {true, kProduct, u"mail.quillpost.com", false, true},
      {true, kProduct, u"evil.example", false, false},
      {true, u"https://evil.example/read.php", nullptr, false, false},
      {true, u"https://evil.example/read.php", u"mail.quillpost.com", false, false},
      {true, u"https://mail.quillpost.com.evil.example/read.php", nullptr, false, false},
      {true, u"about:blank", nullptr, false, false},
      {true, kLocal, nullptr, false, false},
      {true, kLocal, nullptr, true, true},
      {true, kLocal, u"127.0.0.1:8080", true, true},
      {true, kLocal, u"evil.example", true, false},
  };
  for (const auto& c : cases) {
    CallerPolicy policy;
    if (c.bound) policy.OnClientSite(true);
    const std::vector<std::u16string> extra =
        c.listed ? std::vector<std::u16string>{u"127.0.0.1"} : std::vector<std::u16string>{};
    std::optional<std::u16string_view> upload;
    if (c.uploadHost) upload = c.uploadHost;
    EXPECT_EQ(policy.Allows(c.page, upload, extra), c.allowed)
        << (c.bound ? "bound, page " : "unbound, page ") << Narrow(c.page) << ", upload "
        << (c.uploadHost ? Narrow(c.uploadHost) : "none") << (c.listed ? ", 127.0.0.1 listed" : "");
  }
}

}  // namespace
}  // namespace gwax
