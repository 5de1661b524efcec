#include "control/object/registration.h"

#include <string>

#include "control/constants.h"

namespace gwax {
namespace {

std::u16string Join(std::u16string_view a, std::u16string_view b) {
  std::u16string key(a);
  key += u'\\';
  key += b;
  return key;
}

constexpr qp::RegistryRoot kRoot = qp::RegistryRoot::kClassesRoot;

// The classes root as registration uses it: string values, keys made with
// their parents, trees removed (a missing one counts as removed).
class ClassesRoot {
 public:
  explicit ClassesRoot(qp::RegistryPort& registry) : registry_(registry) {}

  // An empty `name` is the key's default value.
  qp::Result SetString(std::u16string_view key, std::u16string_view name,
                       std::u16string_view value) {
    qp::OpenedKey opened = registry_.CreateKey(kRoot, key, qp::RegistryAccess::kSetValues);
    if (!opened.status.Ok()) return opened.status.AsResult();
    const std::u16string valueName(name), text(value);
    return opened.key
        ->SetValue(name.empty() ? nullptr : valueName.c_str(), qp::RegType::kString, text.c_str(),
                   static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t)))
        .AsResult();
  }

  qp::Result CreateKey(std::u16string_view key) {
    return registry_.CreateKey(kRoot, key, qp::RegistryAccess::kSetValues).status.AsResult();
  }

  qp::Result DeleteTree(std::u16string_view key) {
    const qp::RegStatus status = registry_.DeleteTree(kRoot, key);
    return status.Code() == qp::RegStatus::kFileNotFound ? qp::kOk : status.AsResult();
  }

 private:
  qp::RegistryPort& registry_;
};

qp::Result WriteAppIdEntries(ClassesRoot& root) {
  qp::Result r = root.SetString(Join(u"AppID", kAppIdText), u"", kAppIdName);
  if (qp::Failed(r)) return r;
  return root.SetString(Join(u"AppID", kAppIdModuleKey), u"AppID", kAppIdText);
}

qp::Result WriteClassEntries(ClassesRoot& root, std::u16string_view modulePath) {
  const std::u16string progId = kProgId;
  const std::u16string indep = kVersionIndependentProgId;
  const std::u16string clsid = Join(u"CLSID", kClassIdText);
  const std::u16string categories = Join(clsid, u"Implemented Categories");
  std::u16string toolbox(modulePath);
  toolbox += u", 102";
  static_assert(kToolboxBitmapId == 102, "the toolbox entry names bitmap 102");
  const std::u16string miscStatus = u"131473";
  static_assert(kMiscStatus == 131473, "MiscStatus\\1 carries the misc status in decimal");

  struct Entry {
    std::u16string key;
    std::u16string_view name;
    std::u16string value;
  };
  const Entry entries[] = {
      {progId, u"", kClassName},
      {Join(progId, u"CLSID"), u"", kClassIdText},
      {indep, u"", kClassName},
      {Join(indep, u"CLSID"), u"", kClassIdText},
      {Join(indep, u"CurVer"), u"", progId},
  };
  for (const auto& e : entries) {
    if (qp::Result r = root.SetString(e.key, e.name, e.value); qp::Failed(r)) return r;
  }
  // The class key replaces whatever was there before, with all below it.
  if (qp::Result r = root.DeleteTree(clsid); qp::Failed(r)) return r;
  const Entry classEntries[] = {
      {clsid, u"", kClassName},
      {Join(clsid, u"ProgID"), u"", progId},
      {Join(clsid, u"VersionIndependentProgID"), u"", indep},
      {Join(clsid, u"InprocServer32"), u"", std::u16string(modulePath)},
      {Join(clsid, u"InprocServer32"), u"ThreadingModel", u"Apartment"},
      {clsid, u"AppID", kAppIdText},
      {Join(clsid, u"ToolboxBitmap32"), u"", toolbox},
      {Join(clsid, u"MiscStatus"), u"", u"0"},
      {Join(clsid, u"MiscStatus\\1"), u"", miscStatus},
      {Join(clsid, u"TypeLib"), u"", kTypeLibIdText},
      {Join(clsid, u"Version"), u"", u"1.0"},
  };
  for (const auto& e : classEntries) {
    if (qp::Result r = root.SetString(e.key, e.name, e.value); qp::Failed(r)) return r;
  }
  const std::u16string emptyKeys[] = {
      Join(clsid, u"Programmable"),
      Join(clsid, u"Control"),
      Join(categories, kSafeForScriptingCategory),
      Join(categories, kSafeForInitialisingCategory),
  };
  for (const auto& key : emptyKeys) {
    if (qp::Result r = root.CreateKey(key); qp::Failed(r)) return r;
  }
  return qp::kOk;
}

}  // namespace

qp::Result RegisterControl(qp::RegistryPort& registry, TypeLibraryPort& typeLibrary,
                           std::u16string_view modulePath) {
  ClassesRoot root(registry);
  qp::Result r = WriteAppIdEntries(root);
  if (!qp::Failed(r)) r = WriteClassEntries(root, modulePath);
  if (!qp::Failed(r)) r = typeLibrary.Register();
  if (qp::Failed(r)) return r;
  RemoveOlderControl(registry);  // best effort: there may be nothing to remove
  return r;
}

qp::Result UnregisterControl(qp::RegistryPort& registry, TypeLibraryPort& typeLibrary) {
  ClassesRoot root(registry);
  const std::u16string classKeys[] = {kProgId, kVersionIndependentProgId,
                                      Join(u"CLSID", kClassIdText)};
  for (const auto& key : classKeys) {
    if (qp::Result r = root.DeleteTree(key); qp::Failed(r)) return r;
  }
  if (qp::Result r = typeLibrary.Unregister(); qp::Failed(r)) return r;
  if (qp::Result r = root.DeleteTree(Join(u"AppID", kAppIdText)); qp::Failed(r)) return r;
  return root.DeleteTree(Join(u"AppID", kAppIdModuleKey));
}

qp::Result RemoveOlderControl(qp::RegistryPort& registry) {
  ClassesRoot root(registry);
  qp::Result r = root.DeleteTree(Join(u"AppID", kOldAppIdName));
  if (!qp::Failed(r)) r = root.DeleteTree(Join(u"AppID", kOldAppIdModuleKey));
  if (qp::Failed(r)) return r;
  const std::u16string classKeys[] = {kOldProgId, kOldVersionIndependentProgId,
                                      Join(u"CLSID", kOldClassIdText)};
  for (const auto& key : classKeys) {
    if (r = root.DeleteTree(key); qp::Failed(r)) return r;
  }
  return r;
}

}  // namespace gwax
