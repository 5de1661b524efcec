#include "control/object/caller_policy.h"

#include "common/text.h"
#include "control/object/host_policy.h"

namespace gwax {

bool IsScriptHostProgram(std::u16string_view imagePath) {
  const size_t cut = imagePath.find_last_of(u"\\/");
  const std::u16string_view name = cut == std::u16string_view::npos ? imagePath : imagePath.substr(cut + 1);
  return qp::EqualsAsciiNoCase(name, u"cscript.exe") || qp::EqualsAsciiNoCase(name, u"wscript.exe");
}

void CallerPolicy::OnClientSite(bool given) {
  if (given) bound_ = true;
}

void CallerPolicy::OnObjectSite(bool given, bool pageFound) {
  if (given && (pageFound || !inScriptHost_)) bound_ = true;
}

bool CallerPolicy::Allows(std::u16string_view pageAddress,
                          std::optional<std::u16string_view> uploadHost,
                          const std::vector<std::u16string>& extraHosts) const {
  if (!bound_ && !inScriptHost_) return false;
  const bool pageAllowed = !bound_ || (!pageAddress.empty() && IsAllowedPage(pageAddress, extraHosts));
  const bool hostAllowed = !uploadHost || IsAllowedUploadHost(*uploadHost, extraHosts);
  return pageAllowed && hostAllowed;
}

}  // namespace gwax
