#include "tools/qpcall/qpcall_args.h"

#include <cstring>

#include "common/text.h"
#include "notifier/service/soap_records.h"

namespace qpcall {

using QPTSoap::Direction;
using QPTSoap::Entry;
using QPTSoap::OperationDescription;
using QPTSoap::Value;
using QPTSoap::XsdType;

const char kUsage[] =
    "usage: qpcall [--repeat N] [--timeout MS] [--proxy SERVER] ENDPOINT OPERATION ARG...\n"
    "\n"
    "Calls one operation of the Quillpost mail service and prints its out values\n"
    "(or the fault) as JSON, one line per call. Exit code 0 when every call\n"
    "succeeded, 1 when one failed, 2 for a command line it cannot use.\n"
    "\n"
    "OPERATION and its in values (in wire order):\n"
    "  check_auth        auth\n"
    "  get_new_messages  auth header_num hostkey max\n"
    "  get_auth_url      auth type\n"
    "  get_message_url   auth message type\n"
    "  get_generic_pref  auth pref default\n"
    "  apply_action      auth messages action arg\n"
    "  get_watch_folders auth hostkey\n"
    "  set_folder_watch  auth path watch hostkey\n"
    "  get_version       client\n"
    "  get_url           auth type arg\n"
    "Records: auth (user_id, password); message and the elements of messages\n"
    "(path, uid). Ints: header_num, max, default, watch; everything else is text.\n"
    "\n"
    "ARG forms:\n"
    "  name=text            a string (\"name=\" is empty) or a decimal int\n"
    "  name:nil             a null string or a null array\n"
    "  name.field=text      a record field, e.g. auth.user_id=me@example.org\n"
    "  name[i].field=text   a field of array element i, e.g. messages[0].uid=17\n"
    "  name:empty           an array without elements\n"
    "\":nil\" works wherever \"=text\" does. Every value must be given.\n"
    "\n"
    "Options:\n"
    "  --repeat N      make the same call N times on one client (1 to 100)\n"
    "  --timeout MS    connect, send and receive timeout in milliseconds\n"
    "  --proxy SERVER  use this proxy instead of the system's settings\n"
    "\n"
    "Example:\n"
    "  qpcall http://127.0.0.1:8080/soap/public.php?version=1 get_message_url\n"
    "    auth.user_id=me@example.org auth.password=secret\n"
    "    message.path=INBOX message.uid=17 type=reply\n";

namespace {

constexpr int kCalled[] = {
    QPTSoap::kCheckAuth,     QPTSoap::kGetNewMessages, QPTSoap::kGetAuthUrl,
    QPTSoap::kGetMessageUrl, QPTSoap::kGetGenericPref, QPTSoap::kApplyAction,
    QPTSoap::kGetWatchFolders, QPTSoap::kSetFolderWatch, QPTSoap::kGetVersion,
    QPTSoap::kGetUrl};

// Names on the command line are ASCII; anything else never matches. What
// goes into a message stays on its line: control characters are escaped
// (\n, \x1b...), other non-ASCII characters show as "?".
std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : qp::EscapeControls(text)) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
         (c >= u'0' && c <= u'9') || c == u'_';
}

// A decimal number without sign; false when it does not fit `limit`.
bool ParseUnsigned(std::u16string_view text, uint64_t limit, uint64_t& value) {
  if (text.empty() || text.size() > 12) return false;
  value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + static_cast<uint64_t>(c - u'0');
  }
  return value <= limit;
}

bool ParseInt32(std::u16string_view text, int32_t& value) {
  const bool negative = !text.empty() && text[0] == u'-';
  uint64_t magnitude;
  if (!ParseUnsigned(negative ? text.substr(1) : text,
                     negative ? 0x80000000ull : 0x7FFFFFFFull, magnitude)) {
    return false;
  }
  value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                   : static_cast<int32_t>(magnitude);
  return true;
}

// One argument taken apart: name[index].field followed by =text or :word.
struct Arg {
  std::string name;
  int index = -1;
  std::string field;
  bool has_text = false;
  std::u16string text;
  std::string word;  // after ":" ("nil", "empty")
};

bool Split(std::u16string_view raw, Arg& arg, std::string& error) {
  size_t i = 0;
  auto name = [&](std::string& out) {
    const size_t start = i;
    while (i < raw.size() && IsNameChar(raw[i])) ++i;
    out = Narrow(raw.substr(start, i - start));
    return i > start;
  };
  const std::string shown = Narrow(raw.substr(0, 60));
  if (!name(arg.name)) {
    error = "cannot read argument \"" + shown + "\": it must start with a parameter name";
    return false;
  }
  if (i < raw.size() && raw[i] == u'[') {
    const size_t close = raw.find(u']', i);
    uint64_t index;
    if (close == std::u16string_view::npos ||
        !ParseUnsigned(raw.substr(i + 1, close - i - 1), kMaxArrayElements - 1, index)) {
      error = "bad index in \"" + shown + "\": use [0] to [" +
              std::to_string(kMaxArrayElements - 1) + "]";
      return false;
    }
    arg.index = static_cast<int>(index);
    i = close + 1;
  }
  if (i < raw.size() && raw[i] == u'.') {
    ++i;
    if (!name(arg.field)) {
      error = "missing field name in \"" + shown + "\"";
      return false;
    }
  }
  if (i < raw.size() && raw[i] == u'=') {
    arg.has_text = true;
    arg.text = std::u16string(raw.substr(i + 1));
    return true;
  }
  if (i < raw.size() && raw[i] == u':') {
    arg.word = Narrow(raw.substr(i + 1));
    if (arg.word == "nil" || arg.word == "empty") return true;
  }
  error = "cannot read argument \"" + shown + "\": expected =text, :nil or :empty";
  return false;
}

// A value being assembled from arguments, with what has been given so far.
struct Slot {
  bool given = false;
  std::vector<bool> fields_given;  // records
  std::vector<Slot> elements;      // arrays
};

bool SetSimple(const char* label, XsdType type, const Arg& arg, Value& value,
               std::string& error) {
  if (arg.word == "empty") {
    error = std::string(label) + " is not an array";
    return false;
  }
  switch (type) {
    case XsdType::kString:
      value = Value::String(arg.has_text ? std::optional<std::u16string>(arg.text)
                                         : std::nullopt);
      return true;
    case XsdType::kInt: {
      int32_t n;
      if (!arg.has_text || !ParseInt32(arg.text, n)) {
        error = std::string(label) + " takes a 32-bit decimal int";
        return false;
      }
      value = Value::Int(n);
      return true;
    }
    case XsdType::kBoolean:
      if (arg.has_text && (arg.text == u"true" || arg.text == u"1" ||
                           arg.text == u"false" || arg.text == u"0")) {
        value = Value::Boolean(arg.text == u"true" || arg.text == u"1");
        return true;
      }
      error = std::string(label) + " takes true or false";
      return false;
    default:
      error = std::string(label) + " cannot be given on the command line";
      return false;
  }
}

// Sets one field of a record value.
bool SetField(const std::string& label, const Entry& entry, const Arg& arg,
              Value& record, Slot& slot, std::string& error) {
  if (arg.field.empty()) {
    error = label + " is a record: give its fields as " + label + ".FIELD=...";
    return false;
  }
  const auto& fields = entry.record->fields;
  for (size_t f = 0; f < fields.size(); ++f) {
    if (arg.field != fields[f].name) continue;
    const std::string full = label + "." + arg.field;
    if (slot.fields_given[f]) {
      error = full + " is given twice";
      return false;
    }
    slot.fields_given[f] = true;
    return SetSimple(full.c_str(), fields[f].type, arg, record.fields[f], error);
  }
  error = label + " has no field " + arg.field;
  return false;
}

Slot EmptySlot(const Entry& entry) {
  Slot slot;
  if (entry.record) slot.fields_given.assign(entry.record->fields.size(), false);
  return slot;
}

bool Apply(const OperationDescription& op, const std::vector<int>& counts,
           const Arg& arg, std::vector<Value>& params, std::vector<Slot>& slots,
           std::string& error) {
  int index = -1;
  for (size_t e = 0; e < op.entries.size(); ++e) {
    if (op.entries[e].direction != Direction::kOut && counts[e] < 0 &&
        arg.name == op.entries[e].name) {
      index = static_cast<int>(e);
    }
  }
  if (index < 0) {
    error = std::string(op.name) + " has no in value " + arg.name;
    return false;
  }
  const Entry& entry = op.entries[static_cast<size_t>(index)];
  Value& value = params[static_cast<size_t>(index)];
  Slot& slot = slots[static_cast<size_t>(index)];

  if (!entry.array) {
    if (arg.index >= 0) {
      error = arg.name + " is not an array";
      return false;
    }
    if (entry.type == XsdType::kRecord) {
      if (arg.field.empty() && !arg.has_text) {
        error = arg.name + " is a record and cannot be nil";
        return false;
      }
      return SetField(arg.name, entry, arg, value, slot, error);
    }
    if (!arg.field.empty()) {
      error = arg.name + " is not a record";
      return false;
    }
    if (slot.given) {
      error = arg.name + " is given twice";
      return false;
    }
    slot.given = true;
    return SetSimple(arg.name.c_str(), entry.type, arg, value, error);
  }

  // An array: either the whole of it (:nil, :empty) or one element.
  if (arg.index < 0) {
    if (!arg.field.empty() || arg.has_text) {
      error = "give the elements of " + arg.name + " as " + arg.name + "[i]" +
              (entry.record ? ".FIELD=..." : "=...");
      return false;
    }
    if (slot.given || !slot.elements.empty()) {
      error = arg.name + " is given twice";
      return false;
    }
    slot.given = true;
    value = Value::Array(arg.word == "nil" ? std::nullopt
                                           : std::optional<std::vector<Value>>(
                                                 std::vector<Value>()));
    value.type = entry.type;
    return true;
  }
  if (slot.given) {
    error = arg.name + " is given twice";
    return false;
  }
  const std::string label = arg.name + "[" + std::to_string(arg.index) + "]";
  if (arg.word == "empty") {
    error = label + " is not an array";
    return false;
  }
  if (!value.items) value.items.emplace();
  Entry element = entry;
  element.array = false;
  while (static_cast<int>(value.items->size()) <= arg.index) {
    value.items->push_back(QPTSoap::ZeroValue(element));
    slot.elements.push_back(EmptySlot(entry));
  }
  Value& item = (*value.items)[static_cast<size_t>(arg.index)];
  Slot& item_slot = slot.elements[static_cast<size_t>(arg.index)];
  if (entry.type == XsdType::kRecord) {
    if (arg.field.empty() && !arg.has_text) {
      error = label + " is a record and cannot be nil";
      return false;
    }
    return SetField(label, entry, arg, item, item_slot, error);
  }
  if (!arg.field.empty()) {
    error = label + " is not a record";
    return false;
  }
  if (item_slot.given) {
    error = label + " is given twice";
    return false;
  }
  item_slot.given = true;
  return SetSimple(label.c_str(), entry.type, arg, item, error);
}

bool RecordComplete(const std::string& label, const Entry& entry, const Slot& slot,
                    std::string& error) {
  for (size_t f = 0; f < slot.fields_given.size(); ++f) {
    if (!slot.fields_given[f]) {
      error = "missing " + label + "." + entry.record->fields[f].name;
      return false;
    }
  }
  return true;
}

bool Complete(const OperationDescription& op, const std::vector<int>& counts,
              std::vector<Value>& params, const std::vector<Slot>& slots,
              std::string& error) {
  for (size_t e = 0; e < op.entries.size(); ++e) {
    const Entry& entry = op.entries[e];
    if (entry.direction == Direction::kOut || counts[e] >= 0) continue;
    const Slot& slot = slots[e];
    if (entry.array) {
      if (!slot.given && slot.elements.empty()) {
        error = std::string("missing ") + entry.name + " (its elements, :empty or :nil)";
        return false;
      }
      for (size_t k = 0; k < slot.elements.size(); ++k) {
        const std::string label = std::string(entry.name) + "[" + std::to_string(k) + "]";
        if (entry.record) {
          if (!RecordComplete(label, entry, slot.elements[k], error)) return false;
        } else if (!slot.elements[k].given) {
          error = "missing " + label;
          return false;
        }
      }
      const size_t n = params[e].items ? params[e].items->size() : 0;
      if (entry.count_index >= 0) {
        params[static_cast<size_t>(entry.count_index)] =
            Value::Int(static_cast<int32_t>(n));
      }
    } else if (entry.type == XsdType::kRecord) {
      if (!RecordComplete(entry.name, entry, slot, error)) return false;
    } else if (!slot.given) {
      error = std::string("missing ") + entry.name;
      return false;
    }
  }
  return true;
}

int FindOperation(std::u16string_view name) {
  for (int index : kCalled) {
    if (Narrow(name) == QPTSoap::Operation(index).name) return index;
  }
  return -1;
}

}  // namespace

bool IsCalledOperation(int index) {
  for (int called : kCalled) {
    if (called == index) return true;
  }
  return false;
}

bool ParseArguments(const std::vector<std::u16string>& args, Command& command,
                    std::string& error) {
  command = Command{};
  size_t i = 0;
  for (; i < args.size() && args[i].size() > 2 && args[i].compare(0, 2, u"--") == 0; ++i) {
    const std::string option = Narrow(args[i]);
    if (option != "--repeat" && option != "--timeout" && option != "--proxy") {
      error = "unknown option " + option.substr(0, 40);
      return false;
    }
    if (i + 1 >= args.size()) {
      error = option + " needs a value";
      return false;
    }
    const std::u16string& value = args[++i];
    uint64_t n;
    if (option == "--repeat") {
      if (!ParseUnsigned(value, kMaxRepeat, n) || n == 0) {
        error = "--repeat takes a number from 1 to " + std::to_string(kMaxRepeat);
        return false;
      }
      command.repeat = static_cast<int>(n);
    } else if (option == "--timeout") {
      if (!ParseUnsigned(value, 0xFFFFFFFFull, n)) {
        error = "--timeout takes milliseconds (0 to 4294967295)";
        return false;
      }
      command.timeout_ms = static_cast<uint32_t>(n);
    } else {
      if (value.empty()) {
        error = "--proxy takes a server name";
        return false;
      }
      command.proxy = value;
    }
  }
  if (args.size() - i < 2) {
    error = "missing ENDPOINT and OPERATION";
    return false;
  }
  command.endpoint = args[i++];
  command.operation = FindOperation(args[i]);
  if (command.operation < 0) {
    error = "unknown operation " + Narrow(args[i]).substr(0, 60);
    return false;
  }
  ++i;
  const OperationDescription& op = QPTSoap::Operation(command.operation);
  // counts[e] >= 0 marks a companion count (the array's position).
  std::vector<int> counts(op.entries.size(), -1);
  for (size_t e = 0; e < op.entries.size(); ++e) {
    if (op.entries[e].array && op.entries[e].count_index >= 0) {
      counts[static_cast<size_t>(op.entries[e].count_index)] = static_cast<int>(e);
    }
  }
  command.parameters = QPTSoap::ZeroedParameters(op);
  std::vector<Slot> slots;
  for (const Entry& entry : op.entries) slots.push_back(EmptySlot(entry));
  for (; i < args.size(); ++i) {
    Arg arg;
    if (!Split(args[i], arg, error) ||
        !Apply(op, counts, arg, command.parameters, slots, error)) {
      return false;
    }
  }
  return Complete(op, counts, command.parameters, slots, error);
}

}  // namespace qpcall
