// Description tables of the mail service: the records that cross the wire
// and the sixteen operations, in the index order the client selects them by.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace QPTSoapNS {

inline constexpr char kNamespace[] = "QPTSoapNS";

}  // namespace QPTSoapNS

namespace QPTSoap {

enum class XsdType { kString, kInt, kBoolean, kBase64Binary, kRecord };
enum class Direction { kIn, kOut, kBoth };

struct RecordDescription;

struct Entry {
  const char* name;
  XsdType type;
  const RecordDescription* record;  // for kRecord (and arrays of records)
  Direction direction;
  bool nullable;
  bool array;
  // Position of the hidden companion count of an array entry, -1 otherwise.
  int count_index;
};

struct RecordDescription {
  const char* name;
  std::vector<Entry> fields;
};

struct OperationDescription {
  const char* name;
  std::vector<Entry> entries;  // parameters, companion counts included
};

const RecordDescription& AuthDescription();
const RecordDescription& UidstrDescription();
const RecordDescription& MessageDescription();
const RecordDescription& FolderDescription();

enum OperationIndex : int {
  kGetUrl = 0,
  kSetFolderWatch = 1,
  kGetNewMessagesCount = 2,
  kGetAllFolders = 3,
  kGetMessages = 4,
  kGetVersion = 5,
  kSetGenericPref = 6,
  kApplyAction = 7,
  kGetWatchFolders = 8,
  kGetMessageUrl = 9,
  kGetFolders = 10,
  kGetGenericPref = 11,
  kGetAuthUrl = 12,
  kGenerateHostkey = 13,
  kGetNewMessages = 14,
  kCheckAuth = 15,
  kOperationCount = 16,
};

const OperationDescription& Operation(int index);

// A value of one entry, as the encoder reads it and the decoder fills it.
// A null string, byte block or array is an empty optional.
struct Value {
  XsdType type = XsdType::kString;
  std::optional<std::u16string> text;
  std::optional<std::string> bytes;          // a base64Binary block
  int32_t number = 0;
  bool flag = false;
  std::vector<Value> fields;                 // a record's fields, declared order
  std::optional<std::vector<Value>> items;   // an array's elements

  static Value String(std::optional<std::u16string> s);
  static Value Int(int32_t n);
  static Value Boolean(bool b);
  static Value Bytes(std::optional<std::string> b);
  static Value Record(std::vector<Value> fields);
  static Value Array(std::optional<std::vector<Value>> items);
};

}  // namespace QPTSoap
