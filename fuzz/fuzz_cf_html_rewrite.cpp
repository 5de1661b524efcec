// The rewrite of copied HTML before a paste: any block, with decisions
// taken from the addresses' own bytes (unchanged, refused, or replaced by
// addresses of any length). Whatever it returns must be a block whose
// header still reads, as long as the old one plus the changes, and whose
// bytes from its EndHTML on (the terminator among them) are the old
// block's from its EndHTML on. Only addresses quoted whole inside the HTML,
// [StartHTML, EndHTML), are ever decided on.
//
// The rewrite and the cid test skip ahead between the bytes that matter;
// here the same scan is walked the plain way, token by token, and both
// must meet the same pictures, sources and "vml" words.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "control/clipboard/cf_html.h"
#include "fuzz/fuzz_check.h"

namespace {

using gwax::TokenEquals;
using Kind = gwax::AddressDecision::Kind;

using qp_fuzz::Check;

uint32_t Hash(std::string_view s) {
  uint32_t h = 2166136261u;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

gwax::AddressDecision Decide(std::string_view address) {
  const uint32_t h = Hash(address);
  switch (h % 3) {
    case 0:
      return {};
    case 1: {
      // Plain URL bytes only, so that the new token is the address and its quotes.
      std::string url = "https://h/download.php?id=";
      url.append((h >> 2) % 600, static_cast<char>('a' + (h >> 12) % 26));
      if (h >> 31) url.resize((h >> 22) % 20);  // shorter than most addresses
      return {Kind::kReplaced, url};
    }
    default:
      return {Kind::kRefused, ""};
  }
}

struct Event {
  enum Type { kImage, kVml, kSource } type;
  size_t at;
  size_t length;
};

// The scan as its table reads, one token at a time.
std::vector<Event> PlainScan(std::string_view text, size_t at) {
  enum State { kText, kTag, kComment, kCommentEnd, kDeclaration, kImageTag, kSource, kSourceValue };
  std::vector<Event> events;
  State state = kText;
  for (size_t n; (n = gwax::TokenLength(text, at)) != 0; at += n) {
    const std::string_view t = text.substr(at, n);
    switch (state) {
      case kText:
        if (t == "<") state = kTag;
        break;
      case kTag:
        if (t == "!--")
          state = kComment;
        else if (t == "!")
          state = kDeclaration;
        else if (t == ">")
          state = kText;
        else if (TokenEquals(t, "img"))
          events.push_back({Event::kImage, at, n}), state = kImageTag;
        break;
      case kComment:
        if (t == "--")
          state = kCommentEnd;
        else if (TokenEquals(t, "vml"))
          events.push_back({Event::kVml, at, n});
        break;
      case kCommentEnd:
        state = t == ">" ? kText : kComment;
        break;
      case kDeclaration:
        if (t == ">")
          state = kText;
        else if (TokenEquals(t, "vml"))
          events.push_back({Event::kVml, at, n});
        break;
      case kImageTag:
        if (TokenEquals(t, "src"))
          state = kSource;
        else if (t == ">")
          state = kText;
        break;
      case kSource:
        if (t == "=")
          state = kSourceValue;
        else if (t == ">")
          state = kText;
        break;
      case kSourceValue:
        if (t[0] == '"' || t[0] == '\'')
          events.push_back({Event::kSource, at, n}), state = kImageTag;
        else if (t == ">")
          state = kText;
        break;
    }
  }
  return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view block(reinterpret_cast<const char*>(data), size);
  const auto header = gwax::ReadCfHtmlHeader(block);

  std::vector<size_t> asked;
  int64_t growth = 0;
  std::string rewritten(block);  // becomes the copy kept for the restore
  const auto rewrite = gwax::RewriteCfHtml(rewritten, [&](std::string_view address) {
    const size_t at = static_cast<size_t>(address.data() - rewritten.data()) - 1;
    asked.push_back(at);
    // The token, both its quotes included, lies in the HTML, which holds no NUL.
    const size_t end = at + address.size() + 2;
    Check(header && at >= header->startHtml && end <= header->endHtml);
    Check(rewritten[at] == '"' && rewritten[end - 1] == '"');
    Check(address.find('\0') == std::string_view::npos);
    const gwax::AddressDecision decision = Decide(address);
    if (decision.kind == Kind::kReplaced) {
      growth +=
          static_cast<int64_t>(decision.address.size()) - static_cast<int64_t>(address.size());
    }
    return decision;
  });
  Check(rewrite.has_value() <= header.has_value());

  if (header) {
    // What the plain scan of the HTML expects: the sources asked about,
    // "saved", the changes, and the block after the header (whose digits
    // are the rewrite's own). A source is an address when it is quoted
    // whole within the HTML.
    std::vector<size_t> sources;
    std::string saved(block), html;
    int changes = 0;
    size_t copied = 0, image = SIZE_MAX;
    for (const Event& e : PlainScan(block.substr(0, header->endHtml), header->startHtml)) {
      if (e.type == Event::kImage) image = html.size() + (e.at - copied);
      if (e.type == Event::kVml) saved.replace(e.at, 3, "XXX");
      if (e.type != Event::kSource) continue;
      const size_t tag = image;
      image = SIZE_MAX;
      if (e.length < 2 || block[e.at + e.length - 1] != '"') continue;
      sources.push_back(e.at);
      const gwax::AddressDecision d = Decide(block.substr(e.at + 1, e.length - 2));
      if (d.kind == Kind::kReplaced) {
        html += saved.substr(copied, e.at - copied) + '"' + d.address + '"';
        copied = e.at + e.length;
        ++changes;
      } else if (d.kind == Kind::kRefused && tag != SIZE_MAX) {
        html += saved.substr(copied, e.at - copied);
        copied = e.at;
        html.replace(tag, 3, "xxx");
        ++changes;
      }
    }
    html += saved.substr(copied);
    Check(asked == sources);
    if (rewrite) {
      Check(rewritten == saved);
      Check(rewrite->changes == changes);
      Check(static_cast<int64_t>(rewrite->html.size()) == static_cast<int64_t>(size) + growth);
      Check(rewrite->html.size() == html.size());
      const size_t headerEnd = std::min(block.find('<'), html.size());
      Check(rewrite->html.compare(headerEnd, std::string::npos, html, headerEnd) == 0);
      const auto renumbered = gwax::ReadCfHtmlHeader(rewrite->html);
      Check(renumbered.has_value());
      // The block ends as it did: all from EndHTML on, NULs included, is copied as it was.
      Check(renumbered->endHtml <= rewrite->html.size());
      Check(std::string_view(rewrite->html).substr(renumbered->endHtml) ==
            block.substr(header->endHtml));
    }

    bool cid = false;
    const std::string_view fragment = block.substr(0, header->endFragment);
    for (const Event& e : PlainScan(fragment, header->startFragment)) {
      if (e.type == Event::kSource && fragment.substr(e.at + 1, 4) == "cid:") {
        cid = true;
        break;
      }
    }
    Check(gwax::HasCidPicture(block) == cid);
  }

  // Left alone, the block comes back as it was saved.
  std::string kept(block);
  const auto same =
      gwax::RewriteCfHtml(kept, [](std::string_view) { return gwax::AddressDecision{}; });
  Check(same.has_value() == header.has_value());
  if (same) {
    Check(same->changes == 0 && same->html == kept && kept.size() == size);
    if (rewrite) Check(kept == rewritten);
  }
  return 0;
}
