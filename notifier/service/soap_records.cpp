#include "notifier/service/soap_records.h"

#include <algorithm>
#include <cstring>

namespace QPTSoap {
namespace {

using QPTSoapNS::OptBytes;
using QPTSoapNS::OptString;

// Readers of one field; each fails on a value of another type.
bool Read(const Value& v, OptString& out) {
  if (v.type != XsdType::kString) return false;
  out = v.text;
  return true;
}
bool Read(const Value& v, OptBytes& out) {
  if (v.type != XsdType::kBase64Binary) return false;
  out = v.bytes;
  return true;
}
bool Read(const Value& v, int32_t& out) {
  if (v.type != XsdType::kInt) return false;
  out = v.number;
  return true;
}
bool Read(const Value& v, bool& out) {
  if (v.type != XsdType::kBoolean) return false;
  out = v.flag;
  return true;
}

bool IsRecord(const Value& v, const RecordDescription& d) {
  return v.type == XsdType::kRecord && v.fields.size() == d.fields.size();
}

void WipeValue(Value& v) {
  if (v.text) std::fill(v.text->begin(), v.text->end(), u'\0');
  if (v.bytes) Wipe(*v.bytes);
  Wipe(v.fields);
  if (v.items) Wipe(*v.items);
}

}  // namespace

Value ToValue(const QPTSoapNS::auth& r) {
  return Value::Record({Value::String(r.user_id), Value::String(r.password)});
}

Value ToValue(const QPTSoapNS::UIDSTR& r) {
  return Value::Record({Value::String(r.path), Value::String(r.uid)});
}

Value ToValue(const QPTSoapNS::Message& r) {
  return Value::Record(
      {ToValue(r.uidstr), Value::Int(r.date), Value::Bytes(r.from), Value::Bytes(r.from_display),
       Value::Bytes(r.from_email), Value::Bytes(r.subject), Value::Bytes(r.body), Value::Int(r.size),
       Value::Int(r.priority), Value::Boolean(r.has_attachment),
       Value::Boolean(r.is_flagged), Value::Boolean(r.is_answered),
       Value::Boolean(r.is_seen), Value::Boolean(r.is_draft),
       Value::Boolean(r.is_forwarded), Value::Int(r.header_num)});
}

Value ToValue(const QPTSoapNS::Folder& r) {
  return Value::Record({Value::String(r.path), Value::String(r.display_name),
                        Value::Int(r.unread), Value::Int(r.total),
                        Value::Boolean(r.is_system), Value::Boolean(r.is_watched)});
}

bool FromValue(const Value& v, QPTSoapNS::auth& record) {
  QPTSoapNS::auth r;
  if (!IsRecord(v, AuthDescription()) || !Read(v.fields[0], r.user_id) ||
      !Read(v.fields[1], r.password)) {
    return false;
  }
  record = std::move(r);
  return true;
}

bool FromValue(const Value& v, QPTSoapNS::UIDSTR& record) {
  QPTSoapNS::UIDSTR r;
  if (!IsRecord(v, UidstrDescription()) || !Read(v.fields[0], r.path) ||
      !Read(v.fields[1], r.uid)) {
    return false;
  }
  record = std::move(r);
  return true;
}

bool FromValue(const Value& v, QPTSoapNS::Message& record) {
  QPTSoapNS::Message r;
  if (!IsRecord(v, MessageDescription())) return false;
  const std::vector<Value>& f = v.fields;
  // A uidstr that the response left out may come as a record without fields.
  const bool uid_ok = (f[0].type == XsdType::kRecord && f[0].fields.empty()) ||
                      FromValue(f[0], r.uidstr);
  if (!uid_ok || !Read(f[1], r.date) || !Read(f[2], r.from) ||
      !Read(f[3], r.from_display) || !Read(f[4], r.from_email) ||
      !Read(f[5], r.subject) || !Read(f[6], r.body) || !Read(f[7], r.size) ||
      !Read(f[8], r.priority) || !Read(f[9], r.has_attachment) ||
      !Read(f[10], r.is_flagged) || !Read(f[11], r.is_answered) ||
      !Read(f[12], r.is_seen) || !Read(f[13], r.is_draft) ||
      !Read(f[14], r.is_forwarded) || !Read(f[15], r.header_num)) {
    return false;
  }
  record = std::move(r);
  return true;
}

bool FromValue(const Value& v, QPTSoapNS::Folder& record) {
  QPTSoapNS::Folder r;
  if (!IsRecord(v, FolderDescription()) || !Read(v.fields[0], r.path) ||
      !Read(v.fields[1], r.display_name) || !Read(v.fields[2], r.unread) ||
      !Read(v.fields[3], r.total) || !Read(v.fields[4], r.is_system) ||
      !Read(v.fields[5], r.is_watched)) {
    return false;
  }
  record = std::move(r);
  return true;
}

Value ZeroValue(const Entry& entry) {
  Value v;
  if (entry.array) {
    v = Value::Array(std::nullopt);
  } else if (entry.type == XsdType::kRecord) {
    std::vector<Value> fields;
    for (const Entry& field : entry.record->fields) fields.push_back(ZeroValue(field));
    v = Value::Record(std::move(fields));
  }
  v.type = entry.type;
  return v;
}

std::vector<Value> ZeroedParameters(const OperationDescription& operation) {
  std::vector<Value> values;
  values.reserve(operation.entries.size());
  for (const Entry& entry : operation.entries) values.push_back(ZeroValue(entry));
  return values;
}

int EntryIndex(const OperationDescription& operation, const char* name) {
  for (size_t i = 0; i < operation.entries.size(); ++i) {
    if (std::strcmp(operation.entries[i].name, name) == 0) return static_cast<int>(i);
  }
  return -1;
}

std::vector<Value> InValues(const OperationDescription& operation,
                            const std::vector<Value>& parameters) {
  std::vector<bool> is_count(operation.entries.size(), false);
  for (const Entry& e : operation.entries) {
    if (e.array && e.count_index >= 0 &&
        static_cast<size_t>(e.count_index) < is_count.size()) {
      is_count[static_cast<size_t>(e.count_index)] = true;
    }
  }
  std::vector<Value> in;
  for (size_t i = 0; i < operation.entries.size() && i < parameters.size(); ++i) {
    if (operation.entries[i].direction != Direction::kOut && !is_count[i]) {
      in.push_back(parameters[i]);
    }
  }
  return in;
}

void Wipe(std::vector<Value>& values) {
  for (Value& v : values) WipeValue(v);
  values.clear();
}

void Wipe(std::string& bytes) {
  std::fill(bytes.begin(), bytes.end(), '\0');
  bytes.clear();
}

}  // namespace QPTSoap
