#include "notifier/actions/text_rewrite.h"

#include "common/text.h"

namespace qptn {

namespace {

size_t FindNoCase(const std::u16string& text, std::u16string_view find) {
  if (find.empty() || find.size() > text.size()) return std::u16string::npos;
  for (size_t at = 0; at + find.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < find.size() && qp::LowerAscii(text[at + i]) == qp::LowerAscii(find[i])) ++i;
    if (i == find.size()) return at;
  }
  return std::u16string::npos;
}

}  // namespace

bool ReplaceFirstNoCase(std::u16string& text, std::u16string_view find,
                        std::u16string_view replacement) {
  const size_t at = FindNoCase(text, find);
  if (at == std::u16string::npos) return false;
  text.replace(at, find.size(), replacement);
  return true;
}

std::u16string QuickViewAddress(std::u16string address) {
  ReplaceFirstNoCase(address, u"/view.php", u"/view_print_multi.php");
  ReplaceFirstNoCase(address, u"&uid=", u"&list=");
  return address;
}

std::u16string MailtoComposeArgs(std::u16string link) {
  std::u16string escaped;
  escaped.reserve(link.size());
  for (char16_t c : link) {
    escaped += c;
    if (c == u'%') escaped += u"25";
  }
  static constexpr std::u16string_view kRules[][2] = {
      {u"mailto:", u"sendto%3D"},        {u"?", u"&"},
      {u"&cc=", u"%26sendcc%3D"},        {u"&bcc=", u"%26sendbcc%3D"},
      {u"&subject=", u"%26subject%3D"}, {u"&body=", u"%26body%3D"}};
  for (const auto& rule : kRules) ReplaceFirstNoCase(escaped, rule[0], rule[1]);
  // What the rules leave raw would end compose_args and make parameters of
  // the link's own: the "&" of repeated, unknown or first fields and "#".
  std::u16string args;
  args.reserve(escaped.size());
  for (char16_t c : escaped) {
    if (c == u'&') {
      args += u"%26";
    } else if (c == u'#') {
      args += u"%23";
    } else {
      args += c;
    }
  }
  return args;
}

std::u16string ComposeAddressFor(const std::u16string& composePage, const std::u16string& link) {
  return composePage + u"&compose_args=" + MailtoComposeArgs(link);
}

}  // namespace qptn
