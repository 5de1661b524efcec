// The address of the mail service for the configured host.
#pragma once

#include <string>

namespace qptn {

// The SOAP endpoint for a configured host: https, except plain http for a
// host that carries the staging or the development marker.
std::u16string ServiceAddress(const std::u16string& host);

}  // namespace qptn
