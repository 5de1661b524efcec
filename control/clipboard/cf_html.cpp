#include "control/clipboard/cf_html.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "control/clipboard/cf_html_scan.h"

namespace gwax {
namespace {

using cf_html_scan::IsLetter;
using cf_html_scan::WalkTags;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }

// The header's numbers, each with the place of its digits in the block.
enum Field { kStartHtml, kEndHtml, kStartFragment, kEndFragment, kStartSelection, kEndSelection };
constexpr size_t kFieldCount = 6;
constexpr std::string_view kFieldNames[kFieldCount] = {
    "StartHTML", "EndHTML", "StartFragment", "EndFragment", "StartSelection", "EndSelection"};
// Ten digits hold every offset a clipboard block can have; more is not a number we write back.
constexpr size_t kMaxDigits = 10;

struct HeaderNumber {
  bool present = false;
  uint64_t value = 0;
  size_t at = 0;  // where its digits start in the block
  size_t digits = 0;
};
using HeaderNumbers = std::array<HeaderNumber, kFieldCount>;

std::optional<HeaderNumbers> ReadHeaderNumbers(std::string_view block) {
  const std::string_view text = block.substr(0, block.find('\0'));
  const std::string_view header = text.substr(0, text.find('<'));
  HeaderNumbers numbers{};
  for (size_t lineStart = 0; lineStart < header.size();) {
    size_t lineEnd = header.find_first_of("\r\n", lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = header.size();
    const size_t lineAt = lineStart;
    const std::string_view line = header.substr(lineAt, lineEnd - lineAt);
    lineStart = lineEnd + 1;  // a CRLF leaves an empty line, skipped like any line without a name
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    for (size_t k = 0; k < kFieldCount; ++k) {
      if (!TokenEquals(line.substr(0, colon), kFieldNames[k])) continue;
      // Twice the same name would leave the reader and the renumbering at odds.
      if (numbers[k].present) return std::nullopt;
      const std::string_view digits = line.substr(colon + 1);
      if (digits.empty() || digits.size() > kMaxDigits) return std::nullopt;
      uint64_t value = 0;
      for (char c : digits) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<unsigned char>(c - '0');
      }
      numbers[k] = {true, value, lineAt + colon + 1, digits.size()};
    }
  }
  for (Field required : {kStartHtml, kEndHtml, kStartFragment, kEndFragment}) {
    if (!numbers[required].present) return std::nullopt;
  }
  const auto value = [&](Field f) { return numbers[f].value; };
  if (!(value(kStartHtml) <= value(kStartFragment) &&
        value(kStartFragment) <= value(kEndFragment) && value(kEndFragment) <= value(kEndHtml) &&
        value(kEndHtml) <= text.size())) {
    return std::nullopt;
  }
  if (numbers[kStartSelection].present != numbers[kEndSelection].present) return std::nullopt;
  if (numbers[kStartSelection].present && !(value(kStartFragment) <= value(kStartSelection) &&
                                            value(kStartSelection) <= value(kEndSelection) &&
                                            value(kEndSelection) <= value(kEndFragment))) {
    return std::nullopt;
  }
  return numbers;
}

struct CidFinder {
  std::string_view fragment;
  bool found = false;

  void Image(size_t) {}
  void Vml(size_t) {}
  bool Source(size_t at, size_t) {
    // A single quote is a token of its own, so look at the bytes after it.
    found = fragment.substr(at + 1, 4) == "cid:";
    return !found;
  }
};

// One rewritten address: the quoted source at [at, at + length) of the
// block, `change` bytes longer in the new block.
struct Rewritten {
  size_t at;
  size_t length;
  int64_t change;
};

// Copies the block into `html` as the walk goes, with the new addresses;
// the "vml" words are put out of play in the block itself, ahead of the copy.
class Rewriter {
 public:
  Rewriter(std::string& block, const DecideAddress& decide, HtmlRewrite& out)
      : block_(block), decide_(decide), out_(out) {}

  void Image(size_t at) { image_ = static_cast<size_t>(static_cast<int64_t>(at) + change_); }

  void Vml(size_t at) {
    std::memcpy(&block_[at], "XXX", 3);
  }

  bool Source(size_t at, size_t length) {
    const size_t image = image_;
    image_ = kNoImage;
    // A lone quote, or a quote with no closing one before the HTML ends: no
    // address, and the bytes stay as they are.
    if (length < 2 || block_[at + length - 1] != '"') return true;
    const AddressDecision decision = decide_(std::string_view(block_).substr(at + 1, length - 2));
    if (decision.kind == AddressDecision::Kind::kReplaced) {
      CopyUpTo(at);
      const size_t before = out_.html.size();
      out_.html += '"';
      AppendAttributeText(decision.address);
      out_.html += '"';
      const int64_t change =
          static_cast<int64_t>(out_.html.size() - before) - static_cast<int64_t>(length);
      change_ += change;
      rewritten_.push_back({at, length, change});
      copied_ = at + length;
      ++out_.changes;
    } else if (decision.kind == AddressDecision::Kind::kRefused && image != kNoImage) {
      CopyUpTo(at);
      std::memcpy(&out_.html[image], "xxx", 3);
      ++out_.changes;
    }
    return true;
  }

  void Finish() {
    CopyUpTo(block_.size());
  }

  const std::vector<Rewritten>& rewritten() const { return rewritten_; }

 private:
  void CopyUpTo(size_t at) {
    constexpr size_t kPiece = 64 * 1024;
    while (copied_ < at) {
      const size_t piece = std::min(at - copied_, kPiece);
      out_.html.append(block_, copied_, piece);
      copied_ += piece;
    }
  }

  // A quote or a control byte in a new address would end the attribute or
  // the text early; a URL never holds one unescaped, so escape it as a URL would.
  void AppendAttributeText(std::string_view address) {
    for (char c : address) {
      const auto b = static_cast<unsigned char>(c);
      if (b == '"' || b < 0x20) {
        static const char kHex[] = "0123456789ABCDEF";
        out_.html += '%';
        out_.html += kHex[b >> 4];
        out_.html += kHex[b & 15];
      } else {
        out_.html += c;
      }
    }
  }

  std::string& block_;
  const DecideAddress& decide_;
  HtmlRewrite& out_;
  size_t copied_ = 0;   // bytes of the block (as saved) in `html`
  int64_t change_ = 0;  // the new block's length less the old one's, so far
  static constexpr size_t kNoImage = SIZE_MAX;
  size_t image_ = kNoImage;  // where the current img's "img" stands in `html`
  std::vector<Rewritten> rewritten_;
};

// Writes `value` over `digits` digits at `at`, right-aligned with leading zeros.
bool WriteNumber(std::string& html, size_t at, size_t digits, int64_t value) {
  if (value < 0) return false;
  for (size_t k = digits; k-- > 0;) {
    html[at + k] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return value == 0;
}

}  // namespace

size_t TokenLength(std::string_view text, size_t at) {
  const size_t size = text.size();
  if (at >= size) return 0;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char c = byte(at);
  size_t end = at + 1;
  if (IsLetter(c)) {
    while (end < size && IsLetter(byte(end))) ++end;
  } else if (IsDigit(c)) {
    while (end < size && IsDigit(byte(end))) ++end;
  } else if (IsBlank(c)) {
    while (end < size && IsBlank(byte(end))) ++end;
  } else if (c == '"') {
    const void* quote = std::memchr(text.data() + end, '"', size - end);
    end = quote ? static_cast<const char*>(quote) - text.data() + 1 : size;
  } else if (c == '!' && end + 1 < size && text[end] == '-' && text[end + 1] == '-') {
    end += 2;
  } else if (c == '-' && end < size && text[end] == '-') {
    end += 1;
  }
  return end - at;
}

bool TokenEquals(std::string_view token, std::string_view keyword) {
  if (token.size() != keyword.size()) return false;
  for (size_t i = 0; i < token.size(); ++i) {
    const auto a = static_cast<unsigned char>(token[i]), b = static_cast<unsigned char>(keyword[i]);
    if (a != b && !(IsLetter(a) && (a | 0x20) == (b | 0x20))) return false;
  }
  return true;
}

std::optional<CfHtmlHeader> ReadCfHtmlHeader(std::string_view block) {
  const std::optional<HeaderNumbers> numbers = ReadHeaderNumbers(block);
  if (!numbers) return std::nullopt;
  CfHtmlHeader header;
  header.startHtml = (*numbers)[kStartHtml].value;
  header.endHtml = (*numbers)[kEndHtml].value;
  header.startFragment = (*numbers)[kStartFragment].value;
  header.endFragment = (*numbers)[kEndFragment].value;
  return header;
}

bool HasCidPicture(std::string_view block) {
  const std::optional<CfHtmlHeader> header = ReadCfHtmlHeader(block);
  if (!header) return false;
  CidFinder finder{block.substr(0, header->endFragment)};
  WalkTags(finder.fragment, header->startFragment, finder);
  return finder.found;
}

std::optional<HtmlRewrite> RewriteCfHtml(std::string& block, const DecideAddress& decide) {
  const std::optional<HeaderNumbers> numbers = ReadHeaderNumbers(block);
  if (!numbers) return std::nullopt;
  HtmlRewrite out;
  // Room for the usual growth: a few hundred local addresses become longer upload addresses.
  out.html.reserve(block.size() + block.size() / 16 + 4096);
  Rewriter rewriter(block, decide, out);
  // Only the HTML is walked: what lies before StartHTML and from EndHTML on
  // (the terminating NUL among it) is copied as it is. EndHTML lies in the
  // text, so no NUL is walked.
  const size_t startHtml = static_cast<size_t>((*numbers)[kStartHtml].value);
  const size_t endHtml = static_cast<size_t>((*numbers)[kEndHtml].value);
  WalkTags(std::string_view(block).substr(0, endHtml), startHtml, rewriter);
  rewriter.Finish();

  // Each offset moves by the change of the addresses before it. The header
  // lies before the first tag, so its digits are where they were.
  for (const HeaderNumber& number : *numbers) {
    if (!number.present) continue;
    int64_t moved = static_cast<int64_t>(number.value);
    for (const Rewritten& r : rewriter.rewritten()) {
      if (r.at >= number.value) break;
      // An offset inside an address that changed has no place in the new block.
      if (r.at + r.length > number.value) return std::nullopt;
      moved += r.change;
    }
    if (moved != static_cast<int64_t>(number.value) &&
        !WriteNumber(out.html, number.at, number.digits, moved)) {
      return std::nullopt;
    }
  }
  return out;
}

std::string_view EmptyHtmlBlock() {
  static constexpr char kBlock[] =
      "Version:1.0\r\n"
      "StartHTML:0000000107\r\n"
      "EndHTML:0000000255\r\n"
      "StartFragment:0000000218\r\n"
      "EndFragment:0000000218\r\n"
      "\r\n"
      "<html>\r\n"
      "<head>\r\n"
      "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">\r\n"
      "<body>\r\n"
      "<!--StartFragment--><!--EndFragment-->\r\n"
      "</body>\r\n"
      "</html>\r\n";
  static_assert(sizeof(kBlock) == 257, "256 bytes of CF_HTML and the NUL");
  return {kBlock, sizeof(kBlock)};
}

}  // namespace gwax
