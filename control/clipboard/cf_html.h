// CF_HTML, the clipboard's HTML: a header of byte offsets, then UTF-8 HTML.
//
// The block comes from whatever program or page filled the clipboard, so
// every offset is checked against the block before it is used.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace gwax {

// The length of the token that starts at `at` (1 or more; 0 at the end):
// a run of ASCII letters, a run of digits, a run of bytes 1 to 32, a
// double-quoted string up to and including its closing quote (or to the
// end), "!--", "--", or else one byte.
size_t TokenLength(std::string_view text, size_t at);

// `token` has the keyword's length and its letters, ignoring ASCII case.
bool TokenEquals(std::string_view token, std::string_view keyword);

// The header's offsets. The text ends at the block's first NUL byte (or
// with the block). A header counts only when StartHTML, EndHTML,
// StartFragment and EndFragment are all there as plain decimal numbers with
// StartHTML <= StartFragment <= EndFragment <= EndHTML <= text length;
// StartSelection and EndSelection, when there, must lie in the fragment in
// that order.
struct CfHtmlHeader {
  size_t startHtml = 0;
  size_t endHtml = 0;
  size_t startFragment = 0;
  size_t endFragment = 0;
};
std::optional<CfHtmlHeader> ReadCfHtmlHeader(std::string_view block);

// Whether a picture of the fragment is attached by content id: an img
// source that begins with "cid:". False for a block without a valid header.
bool HasCidPicture(std::string_view block);

// What the paste does with one picture address (the quoted text without
// its quotes).
struct AddressDecision {
  enum class Kind { kUnchanged, kReplaced, kRefused };
  Kind kind = Kind::kUnchanged;
  std::string address;  // the new address, for kReplaced
};
using DecideAddress = std::function<AddressDecision(std::string_view address)>;

struct HtmlRewrite {
  std::string html;  // the block with the new addresses and renumbered header
  int changes = 0;   // replaced addresses plus refused pictures ("img" read as "xxx")
};

// Rewrites the img sources of `block` (the whole clipboard block, its
// trailing NUL bytes included) through `decide`. Only the HTML, from
// StartHTML up to EndHTML, is read: an address is a double-quoted source
// that closes there too, and `decide` sees nothing else (so never a NUL).
// Everything outside it, the bytes from EndHTML to the end of the block
// (the terminator among them) included, is copied unchanged. "vml" in
// comments and declarations of the HTML is overwritten by "XXX" in `block`
// itself, which is then the copy kept for the restore. Each header offset
// moves by the change in length of the addresses before it, in its own
// digits: with the pictures in the fragment, EndHTML, EndFragment and
// EndSelection grow by the total and the starts stay. Nothing for a block
// without a valid header, when an offset falls inside a changed address,
// or when a grown number no longer fits its digits.
std::optional<HtmlRewrite> RewriteCfHtml(std::string& block, const DecideAddress& decide);

// The block put on the clipboard so that a paste of files inserts nothing:
// 256 bytes of CF_HTML and a NUL.
std::string_view EmptyHtmlBlock();

}  // namespace gwax
