// Who may drive the control: the decision behind each scripting member's check.
//
// Every scripting member but Version and ProtectedMode asks before it runs.
// The control is marked safe for scripting by its categories, so no
// container asks first and any page could create it. Once any site was set
// the control is bound to its page: the page that calls, read afresh at
// every call, must be allowed (host_policy.h), and uploads may only go to
// an allowed host. A control that was bound stays bound, so taking its site
// away does not lift the page rule. A control that never got a site serves
// only a local script host (cscript, wscript), held to the upload-host
// rule; in any other program it refuses.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gwax {

// Whether the program at `imagePath` is a local script host (cscript.exe or
// wscript.exe, in any letter case), by the file name after the last "\" or
// "/".
bool IsScriptHostProgram(std::u16string_view imagePath);

class CallerPolicy {
 public:
  // `processImagePath`: the program the control was loaded into.
  explicit CallerPolicy(std::u16string_view processImagePath)
      : inScriptHost_(IsScriptHostProgram(processImagePath)) {}

  // A container gave the control its client site (or took it away).
  void OnClientSite(bool given);

  // A site came through IObjectWithSite (or was taken away). Script engines
  // give every object they create a site, a local script host's as well;
  // there the site leads to no page, and the control stays a script host's
  // control, bound by the upload-host rule alone.
  void OnObjectSite(bool given, bool pageFound);

  // Whether a member may run: `pageAddress` is the calling page's address
  // as just read (empty when none was found), `uploadHost` the host
  // argument of a member that uploads, nothing for the others.
  bool Allows(std::u16string_view pageAddress, std::optional<std::u16string_view> uploadHost,
              const std::vector<std::u16string>& extraHosts) const;

 private:
  bool inScriptHost_;
  bool bound_ = false;  // some site was set once; never cleared
};

}  // namespace gwax
