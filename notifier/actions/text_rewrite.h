// Rewrites of web-mail addresses and mailto: links: the quick view of a
// message page and the compose arguments of a link.
#pragma once

#include <string>
#include <string_view>

namespace qptn {

// Replaces the first occurrence of `find` in `text`, searched without regard
// to the case of ASCII letters, by `replacement` as written; no occurrence
// changes nothing. True when something was replaced.
bool ReplaceFirstNoCase(std::u16string& text, std::u16string_view find,
                        std::u16string_view replacement);

// The print view of every message of a page: the first "/view.php" becomes
// "/view_print_multi.php", then the first "&uid=" becomes "&list=".
std::u16string QuickViewAddress(std::u16string address);

// The compose page's arguments from a mailto: link: every "%" escaped as
// "%25" first, then the first "mailto:", "?", "&cc=", "&bcc=", "&subject="
// and "&body=" turned into the page's own names, in that order; last, every
// "&" and "#" still raw encoded ("%26", "%23"), so that the whole link stays
// inside compose_args.
std::u16string MailtoComposeArgs(std::u16string link);

// The compose address with the link's arguments appended.
std::u16string ComposeAddressFor(const std::u16string& composePage, const std::u16string& link);

}  // namespace qptn
