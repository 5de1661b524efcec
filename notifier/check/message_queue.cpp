#include "notifier/check/message_queue.h"

#include <algorithm>
#include <iterator>

#include "common/utf8.h"

namespace qptn {
namespace {

std::u16string Text(const QPTSoapNS::OptBytes& bytes) {
  return bytes ? qp::Utf16FromUtf8(*bytes) : std::u16string();
}

}  // namespace

void MessageQueue::Append(QPTSoapNS::Message message, unsigned account) {
  QueuedMessage entry;
  entry.fromDisplay = Text(message.from_display);
  entry.subject = Text(message.subject);
  entry.body = Text(message.body);
  entry.message = std::move(message);
  entry.account = account;
  entries_.push_back(std::move(entry));
}

size_t MessageQueue::TakeFrom(MessageQueue& other) {
  size_t duplicates = 0;
  for (auto at = other.entries_.begin(); at != other.entries_.end();) {
    const QPTSoapNS::UIDSTR& id = at->message.uidstr;
    const bool queued =
        id.uid && std::any_of(entries_.begin(), entries_.end(), [&](const QueuedMessage& entry) {
          return entry.account == at->account && entry.message.uidstr.uid == id.uid &&
                 entry.message.uidstr.path == id.path;
        });
    auto next = std::next(at);
    if (queued) {
      ++duplicates;
    } else {
      entries_.splice(entries_.end(), other.entries_, at);
    }
    at = next;
  }
  other.entries_.clear();
  return duplicates;
}

void MessageQueue::SortByDate() {
  // std::list::sort is stable.
  entries_.sort([](const QueuedMessage& a, const QueuedMessage& b) {
    return a.message.date < b.message.date;
  });
}

void MessageQueue::TrimTo(size_t limit) {
  while (entries_.size() > limit) entries_.pop_front();
}

std::vector<std::pair<unsigned, std::vector<QPTSoapNS::UIDSTR>>> MessageQueue::ByAccount(
    unsigned accountCount) const {
  std::vector<std::pair<unsigned, std::vector<QPTSoapNS::UIDSTR>>> groups;
  for (unsigned account = 0; account < accountCount; ++account) {
    std::vector<QPTSoapNS::UIDSTR> identities;
    for (const QueuedMessage& entry : entries_) {
      if (entry.account == account) identities.push_back(entry.message.uidstr);
    }
    if (!identities.empty()) groups.emplace_back(account, std::move(identities));
  }
  return groups;
}

}  // namespace qptn
