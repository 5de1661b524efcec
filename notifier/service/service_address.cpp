#include "notifier/service/service_address.h"

#include "notifier/app/constants.h"

namespace qptn {

std::u16string HostScheme(const std::u16string& host) {
  const bool plain = host.find(kStagingHostMarker) != std::u16string::npos ||
                     host.find(kDevelopmentHostMarker) != std::u16string::npos;
  return plain ? u"http://" : u"https://";
}

std::u16string ServiceAddress(const std::u16string& host) {
  return HostScheme(host) + host + kSoapPath;
}

std::u16string SetupPackageAddress(const std::u16string& host, bool privateLabel) {
  return HostScheme(host) + host + u"/qptnsetup_" + (privateLabel ? u"PL" : u"QX") + u".msi";
}

}  // namespace qptn
