// The new messages of the last check, in the order the popup shows them.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "notifier/service/soap_records.h"

namespace qptn {

// A message as the service returned it, the account it came for, and its
// three texts the popup shows, as UTF-16.
struct QueuedMessage {
  QPTSoapNS::Message message;
  unsigned account = 0;
  std::u16string fromDisplay;
  std::u16string subject;
  std::u16string body;
};

class MessageQueue {
 public:
  using Iterator = std::list<QueuedMessage>::iterator;

  // Tags the message with its account and converts its texts from UTF-8
  // (ill-formed bytes become U+FFFD).
  void Append(QPTSoapNS::Message message, unsigned account);
  void Clear() { entries_.clear(); }
  // Moves `other`'s entries behind these, leaving out each that is queued
  // already (the same account, folder and identity; entries without an
  // identity are all kept), and empties `other`. Returns how many were
  // left out.
  size_t TakeFrom(MessageQueue& other);

  // Oldest first by the message date; equal dates keep their order.
  void SortByDate();
  // Drops the oldest entries until at most `limit` are left.
  void TrimTo(size_t limit);
  // The messages' identities by account, in account order and within an
  // account in queue order; accounts at or above `accountCount` and accounts
  // without a message are left out.
  std::vector<std::pair<unsigned, std::vector<QPTSoapNS::UIDSTR>>> ByAccount(
      unsigned accountCount) const;

  size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  Iterator Begin() { return entries_.begin(); }
  Iterator End() { return entries_.end(); }
  // Removes the entry and returns the one that followed it.
  Iterator Erase(Iterator at) { return entries_.erase(at); }

 private:
  std::list<QueuedMessage> entries_;
};

}  // namespace qptn
