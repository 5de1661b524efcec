// The popup's body as word runs: plain, bold and link words, line breaks and
// the attachment icon, and how one message becomes such a body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qptn {

enum class RunKind : uint8_t { kPlain = 0, kBold = 1, kLink = 2, kLineBreak = 3, kIcon = 4 };

struct TextRun {
  std::u16string_view text;  // empty for line breaks and icons
  RunKind kind = RunKind::kPlain;
  bool noWrap = false;
};

// The runs of one body. The body keeps its own copy of every text it was
// given, so its runs stay valid whatever happens to the caller's strings;
// for that reason it can be neither copied nor moved.
class RunList {
 public:
  RunList() = default;
  RunList(const RunList&) = delete;
  RunList& operator=(const RunList&) = delete;

  void Clear();
  // Splits `text` into words (see SplitWords) and appends them; returns the
  // index of the first run appended, or nothing when the text is blank.
  std::optional<size_t> AppendText(std::u16string_view text);
  void AppendLineBreak();
  void AppendIcon();
  // No run: nothing happens.
  void MarkLastNoWrap();
  void MarkBold(std::optional<size_t> index);
  // Every word becomes bold; line breaks and icons stay what they are.
  void MakeAllBold();

  const std::vector<TextRun>& Runs() const { return runs_; }

 private:
  std::deque<std::u16string> texts_;  // deque: growing never moves a stored string
  std::vector<TextRun> runs_;
};

// The words of `text`: separated by spaces, tabs, carriage returns and line
// feeds (a line feed does not start a new line); the text ends at its end or
// at its first NUL. A word that starts with "http://", "https://", "ftp://"
// or "mailto:" (exactly so, lower case) is a link.
std::vector<TextRun> SplitWords(std::u16string_view text);

// The texts of one message as the popup shows them.
struct MessageTexts {
  std::optional<std::u16string_view> to;  // the account's address, with several accounts
  std::u16string_view fromDisplay;
  std::u16string_view subject;
  std::u16string_view body;
  bool hasAttachment = false;
};

// Replaces the body's runs with the "To:", "From:", "Subject:" and "Message:"
// lines of one message. The sender's last word does not wrap, and the blank
// line before "Message:" disappears where no-wrap is honoured.
void ComposeMessage(RunList& body, const MessageTexts& message);

}  // namespace qptn
