#include "notifier/service/soap_description.h"

namespace QPTSoap {
namespace {

constexpr Direction kIn = Direction::kIn;
constexpr Direction kOut = Direction::kOut;
constexpr Direction kBoth = Direction::kBoth;

Entry Str(const char* name, Direction d) {
  return {name, XsdType::kString, nullptr, d, true, false, -1};
}
Entry Int(const char* name, Direction d) {
  return {name, XsdType::kInt, nullptr, d, false, false, -1};
}
Entry Bool(const char* name, Direction d) {
  return {name, XsdType::kBoolean, nullptr, d, false, false, -1};
}
Entry Bytes(const char* name) {
  return {name, XsdType::kBase64Binary, nullptr, kOut, true, false, -1};
}
Entry Rec(const char* name, const RecordDescription& r, Direction d) {
  return {name, XsdType::kRecord, &r, d, false, false, -1};
}
Entry RecArray(const char* name, const RecordDescription& r, Direction d,
               int count_index) {
  return {name, XsdType::kRecord, &r, d, true, true, count_index};
}
Entry StrArray(const char* name, Direction d, int count_index) {
  return {name, XsdType::kString, nullptr, d, true, true, count_index};
}
// The companion count takes the direction of its array; it never travels.
Entry Count(const char* name, Direction d) {
  return {name, XsdType::kInt, nullptr, d, false, false, -1};
}

}  // namespace

const RecordDescription& AuthDescription() {
  static const RecordDescription d{
      "auth", {Str("user_id", kBoth), Str("password", kBoth)}};
  return d;
}

const RecordDescription& UidstrDescription() {
  static const RecordDescription d{
      "UIDSTR", {Str("path", kBoth), Str("uid", kBoth)}};
  return d;
}

const RecordDescription& MessageDescription() {
  static const RecordDescription d{
      "Message",
      {{"uidstr", XsdType::kRecord, &UidstrDescription(), kBoth, true, false, -1},
       Int("date", kBoth), Bytes("from"), Bytes("from_display"),
       Bytes("from_email"), Bytes("subject"), Bytes("body"), Int("size", kBoth),
       Int("priority", kBoth), Bool("has_attachment", kBoth),
       Bool("is_flagged", kBoth), Bool("is_answered", kBoth),
       Bool("is_seen", kBoth), Bool("is_draft", kBoth),
       Bool("is_forwarded", kBoth), Int("header_num", kBoth)}};
  return d;
}

const RecordDescription& FolderDescription() {
  static const RecordDescription d{
      "Folder",
      {Str("path", kBoth), Str("display_name", kBoth), Int("unread", kBoth),
       Int("total", kBoth), Bool("is_system", kBoth), Bool("is_watched", kBoth)}};
  return d;
}

const OperationDescription& Operation(int index) {
  static const std::array<OperationDescription, kOperationCount> ops = [] {
    const auto& auth = AuthDescription();
    const auto& uid = UidstrDescription();
    const auto& folder = FolderDescription();
    const auto& message = MessageDescription();
    return std::array<OperationDescription, kOperationCount>{{
        {"get_url",
         {Rec("auth", auth, kIn), Str("type", kIn), Str("arg", kIn),
          Str("url", kOut)}},
        {"set_folder_watch",
         {Rec("auth", auth, kIn), Str("path", kIn), Int("watch", kIn),
          Str("hostkey", kIn)}},
        {"get_new_messages_count",
         {Rec("auth", auth, kIn), Int("header_num", kIn), Str("hostkey", kIn),
          Int("new_header_num", kOut), Int("count", kOut)}},
        {"get_all_folders",
         {Rec("auth", auth, kIn), Str("hostkey", kIn),
          RecArray("folders", folder, kOut, 3),
          Count("__folders_nSizeIs", kOut)}},
        {"get_messages",
         {Rec("auth", auth, kIn), RecArray("messages", uid, kBoth, 2),
          Count("__messages_nSizeIs", kBoth)}},
        {"get_version", {Str("client", kIn), Int("current_version", kOut)}},
        {"set_generic_pref",
         {Rec("auth", auth, kIn), Str("pref", kIn), Str("value", kIn)}},
        {"apply_action",
         {Rec("auth", auth, kIn), RecArray("messages", uid, kIn, 2),
          Count("__messages_nSizeIs", kIn), Str("action", kIn),
          Str("arg", kIn)}},
        {"get_watch_folders",
         {Rec("auth", auth, kIn), Str("hostkey", kIn),
          RecArray("folders", folder, kOut, 3),
          Count("__folders_nSizeIs", kOut)}},
        {"get_message_url",
         {Rec("auth", auth, kIn), Rec("message", uid, kIn), Str("type", kIn),
          Str("url", kOut)}},
        {"get_folders",
         {Rec("auth", auth, kIn), StrArray("paths", kIn, 2),
          Count("__paths_nSizeIs", kIn), Str("hostkey", kIn),
          RecArray("folders", folder, kOut, 5),
          Count("__folders_nSizeIs", kOut)}},
        {"get_generic_pref",
         {Rec("auth", auth, kIn), Str("pref", kIn), Int("default", kIn),
          Str("result", kOut)}},
        {"get_auth_url",
         {Rec("auth", auth, kIn), Str("type", kIn), Str("url", kOut)}},
        {"generate_hostkey", {Str("hostkey", kOut)}},
        {"get_new_messages",
         {Rec("auth", auth, kIn), Int("header_num", kIn), Str("hostkey", kIn),
          Int("max", kIn), Int("new_header_num", kOut),
          RecArray("messages", message, kOut, 6),
          Count("__messages_nSizeIs", kOut), Int("total_unread", kOut),
          Int("new_unread", kOut)}},
        {"check_auth", {Rec("auth", auth, kIn), Str("result", kOut)}},
    }};
  }();
  return ops.at(static_cast<size_t>(index));
}

Value Value::String(std::optional<std::u16string> s) {
  Value v;
  v.type = XsdType::kString;
  v.text = std::move(s);
  return v;
}
Value Value::Int(int32_t n) {
  Value v;
  v.type = XsdType::kInt;
  v.number = n;
  return v;
}
Value Value::Boolean(bool b) {
  Value v;
  v.type = XsdType::kBoolean;
  v.flag = b;
  return v;
}
Value Value::Bytes(std::optional<std::string> b) {
  Value v;
  v.type = XsdType::kBase64Binary;
  v.bytes = std::move(b);
  return v;
}
Value Value::Record(std::vector<Value> fields) {
  Value v;
  v.type = XsdType::kRecord;
  v.fields = std::move(fields);
  return v;
}
Value Value::Array(std::optional<std::vector<Value>> items) {
  Value v;
  v.items = std::move(items);
  return v;
}

}  // namespace QPTSoap
