// Values the product fixes for a deployment. Change them here and nowhere else.
#pragma once

namespace qptn {

// The public Quillpost mail host: the default of the "host" setting.
inline constexpr char16_t kDefaultHost[] = u"mail.quillpost.com";

// The operator's own mail domain: its accounts may be checked more often.
inline constexpr char16_t kOwnMailDomain[] = u"quillpost.com";

// Host-name fragments that select plain http instead of https. The staging
// host carries the first; development hosts, including the stand-in host
// that the project ships (reached as 127.0.0.1:PORT), carry the second.
inline constexpr char16_t kStagingHostMarker[] = u"staging.quillpost";
inline constexpr char16_t kDevelopmentHostMarker[] = u"127.0.0.1";

// The maker's home page, linked from the popup of the full edition.
inline constexpr char16_t kVendorHomePage[] = u"https://www.vantrell.com/";

// Where the web mail starts when no page address can be had from the service.
inline constexpr char16_t kDefaultWebMailStart[] = u"https://mail.quillpost.com/";

// Path of the SOAP service on the mail host.
inline constexpr char16_t kSoapPath[] = u"/soap/public.php?version=1";

// The development host: named in every SOAPAction URL whatever host the
// request goes to, and the service client's address until one is set.
inline constexpr char kDevelopmentHost[] = "dev.quillpost.com";

// Title texts.
inline constexpr char16_t kProductName[] = u"Quillpost";
inline constexpr char16_t kNotifierName[] = u"Desktop Notifier";

}  // namespace qptn
