// Values the control's product and deployment fix; change them here and nowhere else.
#pragma once

#include <cstdint>

namespace gwax {

// The product's domain: https pages on it and on its subdomains may drive
// the control, and clipboard uploads may go there.
inline constexpr char16_t kAllowedDomain[] = u"quillpost.com";

// The staging host: it and its subdomains serve pages and take uploads over
// plain http, except below "www.staging...", which is served over https.
inline constexpr char16_t kStagingHost[] = u"staging.quillpost.com";

// Administrators may allow further hosts machine-wide (a test host, the
// stand-in host's "127.0.0.1") in
//   HKEY_LOCAL_MACHINE\Software\Vantrell\GatherwickAX, value "AllowedHosts",
// a REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ of host names separated by ";",
// ",", blanks or (REG_MULTI_SZ) the strings' ends. Each entry matches that
// host or address exactly (any port, http or https), without its subdomains.
inline constexpr char16_t kPolicyKey[] = u"Software\\Vantrell\\GatherwickAX";
inline constexpr char16_t kAllowedHostsValue[] = u"AllowedHosts";

// What the scripting interface reports as its version.
inline constexpr int32_t kInterfaceVersion = 7;

// The OLE miscellaneous status: recompose on resize, can't link inside,
// inside-out, activate when visible, set client site first.
inline constexpr uint32_t kMiscStatus = 0x20191;

// Default extent in 0.01 mm, persisted as "_cx" and "_cy".
inline constexpr uint32_t kDefaultExtent = 5080;

// Identifiers as the registry carries them (letter case included).
inline constexpr char16_t kClassIdText[] = u"{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}";
inline constexpr char16_t kTypeLibIdText[] = u"{7CD239BF-0A52-4f76-AD85-534103E6D883}";
inline constexpr char16_t kAppIdText[] = u"{5EE3F6AD-099C-4FE6-8069-40635BA34982}";
inline constexpr char16_t kAppIdName[] = u"QPTToolsAX";
inline constexpr char16_t kAppIdModuleKey[] = u"QPTToolsAX.DLL";
inline constexpr char16_t kClassName[] = u"QPT Tools Class";
inline constexpr char16_t kProgId[] = u"Vantrell.QPTTool.3";
inline constexpr char16_t kVersionIndependentProgId[] = u"Vantrell.QPTTool";
inline constexpr char16_t kSafeForScriptingCategory[] = u"{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
inline constexpr char16_t kSafeForInitialisingCategory[] = u"{7DD95802-9882-11CF-9FA9-00AA006C42C4}";
inline constexpr int kToolboxBitmapId = 102;
inline constexpr uint16_t kTypeLibMajor = 1;
inline constexpr uint16_t kTypeLibMinor = 0;
inline constexpr uint32_t kTypeLibLocale = 0x0409;

// The older control that registration removes.
inline constexpr char16_t kOldAppIdName[] = u"Vantrell.Gatherwick";
inline constexpr char16_t kOldAppIdModuleKey[] = u"GatherwickAX.DLL";
inline constexpr char16_t kOldProgId[] = u"Vantrell.Gatherwick.1";
inline constexpr char16_t kOldVersionIndependentProgId[] = u"Vantrell.Gatherwick";
inline constexpr char16_t kOldClassIdText[] = u"{282F2E15-8158-4DD0-952B-9796E163521D}";

// Window text of every themed dialog.
inline constexpr char16_t kDialogTitle[] = u"Quillpost";

}  // namespace gwax
