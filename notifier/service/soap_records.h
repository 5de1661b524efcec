// The service's records as plain values, and their conversion to and from
// the generic values that the encoder and decoder work on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "notifier/service/soap_description.h"

namespace QPTSoapNS {

// A null string or byte block is an empty optional; it travels as nil.
using OptString = std::optional<std::u16string>;
using OptBytes = std::optional<std::string>;

struct auth {
  OptString user_id;
  OptString password;
};

struct UIDSTR {
  OptString path;
  OptString uid;
};

struct Message {
  UIDSTR uidstr;  // both strings null when the response left it out
  int32_t date = 0;
  OptBytes from;  // the byte blocks hold UTF-8 text
  OptBytes from_display;
  OptBytes from_email;
  OptBytes subject;
  OptBytes body;
  int32_t size = 0;
  int32_t priority = 0;
  bool has_attachment = false;
  bool is_flagged = false;
  bool is_answered = false;
  bool is_seen = false;
  bool is_draft = false;
  bool is_forwarded = false;
  int32_t header_num = 0;
};

struct Folder {
  OptString path;
  OptString display_name;
  int32_t unread = 0;
  int32_t total = 0;
  bool is_system = false;
  bool is_watched = false;
};

}  // namespace QPTSoapNS

namespace QPTSoap {

Value ToValue(const QPTSoapNS::auth& record);
Value ToValue(const QPTSoapNS::UIDSTR& record);
Value ToValue(const QPTSoapNS::Message& record);
Value ToValue(const QPTSoapNS::Folder& record);

// False, leaving `record` as it was, when `value` is not a record of that
// shape (fields in declared order).
bool FromValue(const Value& value, QPTSoapNS::auth& record);
bool FromValue(const Value& value, QPTSoapNS::UIDSTR& record);
bool FromValue(const Value& value, QPTSoapNS::Message& record);
bool FromValue(const Value& value, QPTSoapNS::Folder& record);

// The null or zero value of one entry: nil strings, byte blocks and arrays,
// 0 and false, records with zeroed fields.
Value ZeroValue(const Entry& entry);
// One zeroed value per entry of the operation, companion counts included.
std::vector<Value> ZeroedParameters(const OperationDescription& operation);
// Position of the entry called `name`, or -1.
int EntryIndex(const OperationDescription& operation, const char* name);
// The values the encoder takes: in and both entries in table order,
// companion counts left out.
std::vector<Value> InValues(const OperationDescription& operation,
                            const std::vector<Value>& parameters);

// Overwrites every string and byte block held in `values` before they are
// released: the parameter record holds copies of passwords.
void Wipe(std::vector<Value>& values);
void Wipe(std::string& bytes);

}  // namespace QPTSoap

namespace QPTSoap {

// The callers' rule for a get_new_messages call that succeeded: its list is
// usable unless it claims messages that are not there. The client itself
// hands out the array and the count as decoded.
inline bool UsableMessageList(const std::optional<std::vector<QPTSoapNS::Message>>& messages,
                              int32_t count) {
  const size_t held = messages ? messages->size() : 0;
  return count >= 0 && static_cast<size_t>(count) == held;
}

}  // namespace QPTSoap
