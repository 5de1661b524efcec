// The addresses on the configured mail host: the SOAP service and the setup package.
#pragma once

#include <string>

namespace qptn {

// "https://", or "http://" for a host that carries the staging or the
// development marker: every address on the host uses it.
std::u16string HostScheme(const std::u16string& host);

// The SOAP endpoint for a configured host.
std::u16string ServiceAddress(const std::u16string& host);

// The setup package of the edition ("PL" for the private label, else "QX"),
// reached the way the service is: an installer fetched over plain http could
// be swapped by anyone on the path.
std::u16string SetupPackageAddress(const std::u16string& host, bool privateLabel);

}  // namespace qptn
