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
  };
  struct Case {
    const char* label;
    const char16_t* process;
    std::vector<Site> sites;
    bool bound;
  };
  const Case cases[] = {
      {"no site", kBrowser, {}, false},
      {"embedded", kBrowser, {{true, true, false}}, true},
      {"embedded in a script host", kCscript, {{true, true, false}}, true},
      {"embedding site taken away", kBrowser, {{true, true, true}, {true, false, false}}, true},
      {"only a null client site", kBrowser, {{true, false, false}}, false},
      {"browser site with a page", kBrowser, {{false, true, true}}, true},
      {"browser site without a page", kBrowser, {{false, true, false}}, true},
      {"script host's site, no page", kCscript, {{false, true, false}}, false},
      {"script host's site leading to a page", kCscript, {{false, true, true}}, true},
      {"only a null object site", kBrowser, {{false, false, false}}, false},
      {"browser site taken away", kBrowser, {{false, true, false}, {false, false, false}}, true},
      {"script host's site, then embedded", kCscript, {{false, true, false}, {true, true, false}}, true},
  };
  for (const auto& c : cases) {
    CallerPolicy policy(c.process);
    for (const auto& site : c.sites) {
      if (site.embedding) {
        policy.OnClientSite(site.given);
      } else {
        policy.OnObjectSite(site.given, site.pageFound);
      }
    }
    // A bound control follows its page, whatever the process; an unbound
    // one serves a script host only.
    const bool scriptHost = IsScriptHostProgram(c.process);
    EXPECT_EQ(policy.Allows(u"", std::nullopt, {}), !c.bound && scriptHost) << c.label;
    EXPECT_EQ(policy.Allows(u"https://mail.quillpost.com/read.php", std::nullopt, {}),
              c.bound || scriptHost)
        << c.label;
  }
}

// A control that never got a site, in a program that is no script host
// (an Office document, a downloaded program that loads the library): only
// Version and ProtectedMode, which ask nothing.
TEST(CallerPolicy, UnsitedControlOutsideScriptHostsRefusesEverything) {
  for (const char16_t* process : {kBrowser, u"C:\\users\\me\\Downloads\\invoice.exe", u""}) {
    CallerPolicy policy(process);
    EXPECT_FALSE(policy.Allows(u"", std::nullopt, {})) << Narrow(process);
    EXPECT_FALSE(policy.Allows(u"https://mail.quillpost.com/read.php", std::nullopt, {})) << Narrow(process);
    EXPECT_FALSE(policy.Allows(u"", u"mail.quillpost.com", {u"127.0.0.1"})) << Narrow(process);
    policy.OnObjectSite(false, false);
    policy.OnClientSite(false);
    EXPECT_FALSE(policy.Allows(u"", std::nullopt, {})) << Narrow(process) << ": null sites change nothing";
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
      {false, u"", u"mail.quillpost.com/upload", false, false},
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
      {true, u"http://mail.quillpost.com/mail/read.php", nullptr, false, false},
      {true, u"http://mail.quillpost.com/mail/read.php", u"mail.quillpost.com", false, false},
      {true, kLocal, nullptr, true, true},
      {true, kLocal, u"127.0.0.1:8080", true, true},
      {true, kLocal, u"evil.example", true, false},
  };
  for (const auto& c : cases) {
    CallerPolicy policy(kCscript);
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
