#include "notifier/popup/text_runs.h"

#include <algorithm>

namespace qptn {
namespace {

bool IsSeparator(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsLinkWord(std::u16string_view word) {
  return StartsWith(word, u"http://") || StartsWith(word, u"https://") ||
         StartsWith(word, u"ftp://") || StartsWith(word, u"mailto:");
}

}  // namespace

std::vector<TextRun> SplitWords(std::u16string_view text) {
  const size_t end = std::min(text.find(u'\0'), text.size());
  std::vector<TextRun> words;
  size_t at = 0;
  while (at < end && IsSeparator(text[at])) ++at;
  while (at < end) {
    size_t stop = at;
    while (stop < end && !IsSeparator(text[stop])) ++stop;
    const std::u16string_view word = text.substr(at, stop - at);
    words.push_back({word, IsLinkWord(word) ? RunKind::kLink : RunKind::kPlain, false});
    at = stop;
    while (at < end && IsSeparator(text[at])) ++at;
  }
  return words;
}

void RunList::Clear() {
  runs_.clear();
  texts_.clear();
}

std::optional<size_t> RunList::AppendText(std::u16string_view text) {
  const std::u16string& kept = texts_.emplace_back(text);
  const std::vector<TextRun> words = SplitWords(kept);
  if (words.empty()) {
    texts_.pop_back();
    return std::nullopt;
  }
  const size_t first = runs_.size();
  runs_.insert(runs_.end(), words.begin(), words.end());
  return first;
}

void RunList::AppendLineBreak() { runs_.push_back({{}, RunKind::kLineBreak, false}); }

void RunList::AppendIcon() { runs_.push_back({{}, RunKind::kIcon, false}); }

void RunList::MarkLastNoWrap() {
  if (!runs_.empty()) runs_.back().noWrap = true;
}

void RunList::MarkBold(std::optional<size_t> index) {
  if (index && *index < runs_.size()) runs_[*index].kind = RunKind::kBold;
}

void RunList::MakeAllBold() {
  for (TextRun& run : runs_) {
    if (run.kind == RunKind::kPlain || run.kind == RunKind::kLink) run.kind = RunKind::kBold;
  }
}

void ComposeMessage(RunList& body, const MessageTexts& message) {
  body.Clear();
  if (message.to) {
    body.MarkBold(body.AppendText(u"To:"));
    body.AppendText(*message.to);
    body.AppendLineBreak();
  }
  body.MarkBold(body.AppendText(u"From:"));
  body.AppendText(message.fromDisplay);
  body.MarkLastNoWrap();
  body.AppendLineBreak();
  body.MarkBold(body.AppendText(u"Subject:"));
  if (message.hasAttachment) body.AppendIcon();
  body.AppendText(message.subject);
  body.AppendLineBreak();
  body.AppendLineBreak();
  body.MarkLastNoWrap();
  body.MarkBold(body.AppendText(u"Message:"));
  body.AppendText(message.body);
}

}  // namespace qptn
