#include "notifier/app/service_address.h"

#include "notifier/app/constants.h"

namespace qptn {

std::u16string ServiceAddress(const std::u16string& host) {
  const bool plain = host.find(kStagingHostMarker) != std::u16string::npos ||
                     host.find(kDevelopmentHostMarker) != std::u16string::npos;
  return std::u16string(plain ? u"http://" : u"https://") + host + kSoapPath;
}

}  // namespace qptn
