#include "control/object/registration.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/memory_registry.h"

namespace gwax {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

constexpr qp::Result kWriteRefused = static_cast<qp::Result>(0x80070005u);

// HKEY_CLASSES_ROOT in memory: key names compare without regard to case,
// as in the registry, and keep the case they were created with.
class MemoryClassesRoot : public qp::MemoryRegistry {
 public:
  void SetString(std::u16string_view key, std::u16string_view name, std::u16string_view value) {
    const std::u16string valueName(name);
    PutString(kRoot, key, name.empty() ? nullptr : valueName.c_str(), value);
  }
  // Every key and value as "key" and "key|name=value" lines.
  std::set<std::string> Listing(const std::string& under) const {
    std::set<std::string> out;
    for (const auto& line : MemoryRegistry::Listing(kRoot, Wide(under))) out.insert(Narrow(line));
    return out;
  }
  bool Has(const std::string& key) const { return HasKey(kRoot, Wide(key)); }
  void Refuse(const std::string& key) { MemoryRegistry::Refuse(kRoot, Wide(key)); }

 private:
  static constexpr qp::RegistryRoot kRoot = qp::RegistryRoot::kClassesRoot;
  static std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }
};

class FakeTypeLibrary : public TypeLibraryPort {
 public:
  qp::Result Register() override {
    ++registered;
    return registerResult;
  }
  qp::Result Unregister() override {
    ++unregistered;
    return unregisterResult;
  }
  int registered = 0;
  int unregistered = 0;
  qp::Result registerResult = qp::kOk;
  qp::Result unregisterResult = qp::kOk;
};

const char kPath[] = "C:\\Program Files\\Quillpost\\GatherwickAX.dll";
const std::u16string kWidePath(kPath, kPath + sizeof(kPath) - 1);

const std::set<std::string> kClassKeys = {
    "CLSID",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}|=QPT Tools Class",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}|AppID={5EE3F6AD-099C-4FE6-8069-40635BA34982}",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\ProgID",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\ProgID|=Vantrell.QPTTool.3",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\VersionIndependentProgID",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\VersionIndependentProgID|=Vantrell.QPTTool",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\Programmable",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\InprocServer32",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\InprocServer32|=C:\\Program Files\\Quillpost\\GatherwickAX.dll",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\InprocServer32|ThreadingModel=Apartment",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\Control",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\ToolboxBitmap32",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\ToolboxBitmap32|=C:\\Program Files\\Quillpost\\GatherwickAX.dll, 102",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\Implemented Categories",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\MiscStatus",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\MiscStatus|=0",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\MiscStatus\\1",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\MiscStatus\\1|=131473",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\TypeLib",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\TypeLib|={7CD239BF-0A52-4f76-AD85-534103E6D883}",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\Version",
    "CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\Version|=1.0",
};

const std::set<std::string> kAppIdKeys = {
    "AppID",
    "AppID\\{5EE3F6AD-099C-4FE6-8069-40635BA34982}",
    "AppID\\{5EE3F6AD-099C-4FE6-8069-40635BA34982}|=QPTToolsAX",
    "AppID\\QPTToolsAX.DLL",
    "AppID\\QPTToolsAX.DLL|AppID={5EE3F6AD-099C-4FE6-8069-40635BA34982}",
};

std::set<std::string> ProgIdKeys(const std::string& progId) {
  return {progId, progId + "|=QPT Tools Class", progId + "\\CLSID",
          progId + "\\CLSID|={B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}"};
}

void SeedOlderControl(MemoryClassesRoot& root) {
  root.SetString(u"AppID\\Vantrell.Gatherwick", u"", u"GatherwickAX");
  root.SetString(u"AppID\\GatherwickAX.DLL", u"AppID", u"Vantrell.Gatherwick");
  root.SetString(u"Vantrell.Gatherwick.1", u"", u"Gatherwick Class");
  root.SetString(u"Vantrell.Gatherwick.1\\CLSID", u"", u"{282F2E15-8158-4DD0-952B-9796E163521D}");
  root.SetString(u"Vantrell.Gatherwick", u"", u"Gatherwick Class");
  root.SetString(u"Vantrell.Gatherwick\\CurVer", u"", u"Vantrell.Gatherwick.1");
  root.SetString(u"CLSID\\{282F2E15-8158-4DD0-952B-9796E163521D}\\InprocServer32", u"", u"old.dll");
  root.SetString(u"CLSID\\{282F2E15-8158-4DD0-952B-9796E163521D}\\TypeLib", u"",
                 u"{F83F66F5-741C-41B0-87FC-6A10EB974B09}");
}

bool HasOlderControl(const MemoryClassesRoot& root) {
  for (const char* key : {"AppID\\Vantrell.Gatherwick", "AppID\\GatherwickAX.DLL",
                          "Vantrell.Gatherwick.1", "Vantrell.Gatherwick",
                          "CLSID\\{282F2E15-8158-4DD0-952B-9796E163521D}"}) {
    if (root.Has(key)) return true;
  }
  return false;
}

std::string Show(const std::set<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += "  " + l + "\n";
  return out;
}

TEST(Registration, WritesEveryKeyAndValueExactly) {
  MemoryClassesRoot root;
  FakeTypeLibrary typeLibrary;
  ASSERT_EQ(RegisterControl(root, typeLibrary, kWidePath), qp::kOk);
  EXPECT_EQ(typeLibrary.registered, 1);
  EXPECT_EQ(root.Listing("CLSID"), kClassKeys) << Show(root.Listing("CLSID"));
  EXPECT_EQ(root.Listing("AppID"), kAppIdKeys) << Show(root.Listing("AppID"));
  EXPECT_EQ(root.Listing("Vantrell.QPTTool.3"), ProgIdKeys("Vantrell.QPTTool.3"));
  auto independent = ProgIdKeys("Vantrell.QPTTool");
  independent.insert("Vantrell.QPTTool\\CurVer");
  independent.insert("Vantrell.QPTTool\\CurVer|=Vantrell.QPTTool.3");
  EXPECT_EQ(root.Listing("Vantrell.QPTTool"), independent) << Show(root.Listing("Vantrell.QPTTool"));
  EXPECT_FALSE(root.Has("Component Categories"));
}

TEST(Registration, ReplacesAnOldClassKeyAndRemovesTheOlderControl) {
  MemoryClassesRoot root;
  FakeTypeLibrary typeLibrary;
  SeedOlderControl(root);
  root.SetString(u"CLSID\\{B5B8593C-89BC-44A7-BCE3-32FE4FED7C5C}\\Stale", u"", u"x");
  root.SetString(u"CLSID\\{00000000-0000-0000-0000-000000000001}", u"", u"someone else");
  root.SetString(u"AppID\\{00000000-0000-0000-0000-000000000002}", u"", u"someone else");
  ASSERT_EQ(RegisterControl(root, typeLibrary, kWidePath), qp::kOk);
  EXPECT_FALSE(HasOlderControl(root)) << Show(root.Listing("CLSID"));
  EXPECT_FALSE(root.Has("CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\Stale"));
  EXPECT_TRUE(root.Has("CLSID\\{00000000-0000-0000-0000-000000000001}"));
  EXPECT_TRUE(root.Has("AppID\\{00000000-0000-0000-0000-000000000002}"));
  // Nothing left to remove: a second registration still succeeds.
  EXPECT_EQ(RegisterControl(root, typeLibrary, kWidePath), qp::kOk);
  EXPECT_EQ(typeLibrary.registered, 2);
}

TEST(Registration, FailuresComeBackUnchangedAndKeepTheOlderControl) {
  {
    MemoryClassesRoot root;
    FakeTypeLibrary typeLibrary;
    SeedOlderControl(root);
    typeLibrary.registerResult = static_cast<qp::Result>(0x80029C4Au);  // TYPE_E_CANTLOADLIBRARY
    EXPECT_EQ(RegisterControl(root, typeLibrary, kWidePath), typeLibrary.registerResult);
    EXPECT_TRUE(HasOlderControl(root));
  }
  {
    MemoryClassesRoot root;
    FakeTypeLibrary typeLibrary;
    SeedOlderControl(root);
    root.Refuse("CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}\\MiscStatus\\1");
    EXPECT_EQ(RegisterControl(root, typeLibrary, kWidePath), kWriteRefused);
    EXPECT_EQ(typeLibrary.registered, 0);
    EXPECT_TRUE(HasOlderControl(root));
  }
  {
    // Removing the older control is best effort.
    MemoryClassesRoot root;
    FakeTypeLibrary typeLibrary;
    root.Refuse("AppID\\Vantrell.Gatherwick");
    EXPECT_EQ(RegisterControl(root, typeLibrary, kWidePath), qp::kOk);
  }
}

TEST(Registration, UnregisterLeavesTheParentsAndOthers) {
  MemoryClassesRoot root;
  FakeTypeLibrary typeLibrary;
  ASSERT_EQ(RegisterControl(root, typeLibrary, kWidePath), qp::kOk);
  root.SetString(u"CLSID\\{00000000-0000-0000-0000-000000000001}", u"", u"someone else");
  EXPECT_EQ(UnregisterControl(root, typeLibrary), qp::kOk);
  EXPECT_EQ(typeLibrary.unregistered, 1);
  EXPECT_EQ(root.Listing("AppID"), std::set<std::string>{"AppID"});
  EXPECT_EQ(root.Listing("CLSID"),
            (std::set<std::string>{"CLSID", "CLSID\\{00000000-0000-0000-0000-000000000001}",
                                   "CLSID\\{00000000-0000-0000-0000-000000000001}|=someone else"}));
  EXPECT_FALSE(root.Has("Vantrell.QPTTool"));
  EXPECT_FALSE(root.Has("Vantrell.QPTTool.3"));
}

TEST(Registration, AppIdStaysWhenTheTypeLibraryCantBeUnregistered) {
  MemoryClassesRoot root;
  FakeTypeLibrary typeLibrary;
  ASSERT_EQ(RegisterControl(root, typeLibrary, kWidePath), qp::kOk);
  typeLibrary.unregisterResult = static_cast<qp::Result>(0x8002801Cu);  // TYPE_E_REGISTRYACCESS
  EXPECT_EQ(UnregisterControl(root, typeLibrary), typeLibrary.unregisterResult);
  EXPECT_FALSE(root.Has("CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}"));
  EXPECT_EQ(root.Listing("AppID"), kAppIdKeys);
}

TEST(Registration, OlderControlClassPartOnlyAfterItsAppId) {
  MemoryClassesRoot root;
  SeedOlderControl(root);
  root.Refuse("AppID\\GatherwickAX.DLL");
  EXPECT_EQ(RemoveOlderControl(root), kWriteRefused);
  EXPECT_FALSE(root.Has("AppID\\Vantrell.Gatherwick")) << "the first AppID entry went";
  EXPECT_TRUE(root.Has("Vantrell.Gatherwick.1"));
  EXPECT_TRUE(root.Has("CLSID\\{282F2E15-8158-4DD0-952B-9796E163521D}"));

  MemoryClassesRoot seeded;
  SeedOlderControl(seeded);
  seeded.Refuse("Vantrell.Gatherwick");
  EXPECT_EQ(RemoveOlderControl(seeded), kWriteRefused) << "the last step run decides";
  EXPECT_FALSE(seeded.Has("Vantrell.Gatherwick.1"));

  MemoryClassesRoot empty;
  EXPECT_EQ(RemoveOlderControl(empty), qp::kOk);
}

}  // namespace
}  // namespace gwax
