#include "notifier/service/soap_decoder.h"

#include "notifier/service/xsd_text.h"

namespace QPTSoap {
namespace {

constexpr std::u16string_view kEnvelopeNs = u"http://schemas.xmlsoap.org/soap/envelope/";
constexpr std::u16string_view kEncodingNs = u"http://schemas.xmlsoap.org/soap/encoding/";
constexpr std::u16string_view kInstanceNs = u"http://www.w3.org/2001/XMLSchema-instance";

// The longest int or boolean text accepted, blanks around an int included.
constexpr size_t kMaxNumberText = 1024;

bool EqualsAscii(std::u16string_view a, const char* b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == '\0' || a[i] != static_cast<unsigned char>(b[i])) return false;
  }
  return b[i] == '\0';
}

const SaxAttribute* FindAttribute(const std::vector<SaxAttribute>& attributes,
                                  std::u16string_view ns, const char* local) {
  for (const SaxAttribute& a : attributes) {
    if (EqualsAscii(a.local, local) && a.ns == ns) return &a;
  }
  return nullptr;
}

Value ZeroValue(XsdType type, const RecordDescription* record, bool array) {
  if (array) {
    Value v = Value::Array(std::nullopt);
    v.type = type;
    return v;
  }
  switch (type) {
    case XsdType::kString: return Value::String(std::nullopt);
    case XsdType::kInt: return Value::Int(0);
    case XsdType::kBoolean: return Value::Boolean(false);
    case XsdType::kBase64Binary: return Value::Bytes(std::nullopt);
    case XsdType::kRecord: {
      std::vector<Value> fields;
      fields.reserve(record->fields.size());
      for (const Entry& f : record->fields) fields.push_back(ZeroValue(f.type, f.record, f.array));
      return Value::Record(std::move(fields));
    }
  }
  return Value();
}

// How many Values one item of this type holds, nested records included.
size_t ValueCount(XsdType type, const RecordDescription* record) {
  if (type != XsdType::kRecord) return 1;
  size_t n = 1;
  for (const Entry& f : record->fields) n += f.array ? 1 : ValueCount(f.type, f.record);
  return n;
}

}  // namespace

ResponseDecoder::ResponseDecoder(const OperationDescription& operation,
                                 std::vector<Value>& values)
    : operation_(operation), values_(values), is_count_(operation.entries.size(), false) {
  values_.resize(operation_.entries.size());
  for (const Entry& e : operation_.entries) {
    if (e.array && e.count_index >= 0) is_count_.at(static_cast<size_t>(e.count_index)) = true;
  }
  frames_.reserve(16);
  ResetOuts();
}

void ResponseDecoder::ResetOuts() {
  for (size_t i = 0; i < operation_.entries.size(); ++i) {
    const Entry& e = operation_.entries[i];
    if (e.direction != Direction::kIn) values_[i] = ZeroValue(e.type, e.record, e.array);
  }
}

bool ResponseDecoder::Fail() {
  failed_ = true;
  frames_.clear();
  pending_.clear();
  ResetOuts();
  return false;
}

bool ResponseDecoder::Keep(size_t bytes) {
  kept_ += bytes;
  return kept_ <= kMaxResponseAllocation;
}

bool ResponseDecoder::StartElement(std::u16string_view ns, std::u16string_view local,
                                   const std::vector<SaxAttribute>& attributes) {
  if (failed_) return false;
  if (++depth_ > kMaxElementDepth) return Fail();
  if (skip_depth_ > 0) {
    ++skip_depth_;
    return true;
  }
  switch (stage_) {
    case Stage::kStart:
      if (ns != kEnvelopeNs || local != u"Envelope") return Fail();
      stage_ = Stage::kEnvelope;
      return true;
    case Stage::kEnvelope:
      if (ns != kEnvelopeNs) return Fail();  // a foreign element before Body
      if (local == u"Header") {
        if (envelope_child_seen_) return Fail();
        envelope_child_seen_ = true;
        stage_ = Stage::kHeader;
        return true;
      }
      envelope_child_seen_ = true;
      if (local == u"Body") {
        stage_ = Stage::kBody;
        return true;
      }
      if (local == u"Envelope") return Fail();
      Skip();
      return true;
    case Stage::kHeader: {
      // A header entry we cannot obey must stop the call; others are skipped.
      const SaxAttribute* must = FindAttribute(attributes, kEnvelopeNs, "mustUnderstand");
      if (must && ReadBoolean(must->value) != 0) return Fail();
      Skip();
      return true;
    }
    case Stage::kBody:
      return StartInBody(local, attributes);
    case Stage::kAfterBody:
      if (ns == kEnvelopeNs &&
          (local == u"Header" || local == u"Body" || local == u"Envelope")) {
        return Fail();
      }
      Skip();
      return true;
    case Stage::kDone:
      break;
  }
  return Fail();
}

bool ResponseDecoder::StartInBody(std::u16string_view local,
                                  const std::vector<SaxAttribute>& attributes) {
  if (frames_.empty()) return StartBodyChild(attributes);
  Frame& top = frames_.back();
  switch (top.kind) {
    case FrameKind::kResponse:
    case FrameKind::kRecord:
      return StartField(top, local, attributes);
    case FrameKind::kArray:
      return StartItem(top, attributes);
    case FrameKind::kText:
      return StartMarkup(top, local, attributes);
  }
  return Fail();
}

bool ResponseDecoder::StartBodyChild(const std::vector<SaxAttribute>& attributes) {
  if (!response_seen_) {
    // Whatever it is called, the first child is the answer to our call.
    response_seen_ = true;
    Frame f(FrameKind::kResponse);
    f.entries = &operation_.entries;
    f.base = values_.data();
    frames_.push_back(f);
    return true;
  }
  // A multi-reference value that an earlier href asked for.
  const SaxAttribute* id = FindAttribute(attributes, u"", "id");
  if (id) {
    auto it = pending_.find(id->value);
    if (it != pending_.end()) {
      const Slot slot = it->second;
      pending_.erase(it);
      return OpenSlot(slot, attributes, true);
    }
  }
  Skip();
  return true;
}

bool ResponseDecoder::StartField(Frame& top, std::u16string_view local,
                                 const std::vector<SaxAttribute>& attributes) {
  const std::vector<Entry>& entries = *top.entries;
  const bool response = top.kind == FrameKind::kResponse;
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    if (response && (e.direction == Direction::kIn || is_count_[i])) continue;
    if (!EqualsAscii(local, e.name)) continue;
    const uint64_t bit = uint64_t{1} << i;
    if (top.seen & bit) return Fail();
    top.seen |= bit;
    Slot slot;
    slot.type = e.type;
    slot.record = e.record;
    slot.nullable = e.nullable;
    slot.array = e.array;
    slot.href_ok = e.array || e.type == XsdType::kRecord;
    slot.value = &top.base[i];
    if (e.array) slot.count = &top.base[static_cast<size_t>(e.count_index)];
    return OpenSlot(slot, attributes, false);
  }
  return Fail();
}

bool ResponseDecoder::StartItem(Frame& top, const std::vector<SaxAttribute>& attributes) {
  if (top.decoded >= top.expected) return Fail();
  Slot slot;
  slot.type = top.slot.type;
  slot.record = top.slot.record;
  slot.nullable = slot.type == XsdType::kString || slot.type == XsdType::kBase64Binary;
  slot.href_ok = true;
  slot.value = &(*top.slot.value->items)[top.decoded++];
  return OpenSlot(slot, attributes, false);
}

// Markup inside a string is part of its text; other values hold none.
bool ResponseDecoder::StartMarkup(const Frame& top, std::u16string_view local,
                                  const std::vector<SaxAttribute>& attributes) {
  if (top.slot.type != XsdType::kString) return Fail();
  const size_t owner = top.owner;
  std::u16string& text = *frames_[owner].slot.value->text;
  const size_t before = text.size();
  text += u'<';
  text += local;
  for (const SaxAttribute& a : attributes) {
    text += u' ';
    text += a.local;
    text += u"=\"";
    text += a.value;
    text += u'"';
  }
  text += u'>';
  if (!Keep((text.size() - before) * sizeof(char16_t))) return Fail();
  nested_names_.emplace_back(local);
  Frame f(FrameKind::kText);
  f.slot.type = XsdType::kString;
  f.owner = owner;
  f.nested = true;
  frames_.push_back(f);
  return true;
}

bool ResponseDecoder::OpenSlot(const Slot& slot, const std::vector<SaxAttribute>& attributes,
                               bool via_href) {
  const SaxAttribute* nil = FindAttribute(attributes, kInstanceNs, "nil");
  if (nil && ReadBoolean(nil->value) == 1) {
    if (!slot.nullable) return Fail();
    *slot.value = ZeroValue(slot.type, slot.record, slot.array);
    if (slot.count) *slot.count = Value::Int(0);
    Skip();
    return true;
  }
  if (slot.href_ok && !via_href) {
    const SaxAttribute* href = FindAttribute(attributes, u"", "href");
    if (href) {
      std::u16string_view id = href->value;
      if (!id.empty() && id[0] == u'#') id.remove_prefix(1);
      if (id.empty()) return Fail();
      std::u16string key(id);
      // Each id serves one reference: this also rules out reference cycles.
      if (!Keep(key.size() * sizeof(char16_t) * 4)) return Fail();
      if (!referenced_.insert(key).second) return Fail();
      pending_.emplace(std::move(key), slot);
      Skip();
      return true;
    }
  }
  if (slot.array) return OpenArray(slot, attributes);
  if (slot.type == XsdType::kRecord) {
    if (slot.value->fields.size() != slot.record->fields.size()) {
      *slot.value = ZeroValue(slot.type, slot.record, false);
    }
    Frame f(FrameKind::kRecord);
    f.slot = slot;
    f.entries = &slot.record->fields;
    f.base = slot.value->fields.data();
    frames_.push_back(f);
    return true;
  }
  Frame f(FrameKind::kText);
  f.slot = slot;
  f.owner = frames_.size();
  if (slot.type == XsdType::kString) {
    slot.value->text.emplace();  // present, even when empty
  } else {
    scratch_.clear();
  }
  frames_.push_back(f);
  return true;
}

bool ResponseDecoder::OpenArray(const Slot& slot, const std::vector<SaxAttribute>& attributes) {
  const SaxAttribute* type = FindAttribute(attributes, kEncodingNs, "arrayType");
  if (!type) return Fail();
  const int64_t size = ReadArraySize(type->value, kMaxArrayItems);
  if (size < 0) return Fail();
  Frame f(FrameKind::kArray);
  f.slot = slot;
  f.expected = static_cast<uint32_t>(size);
  *slot.value = ZeroValue(slot.type, slot.record, true);
  if (size > 0) {
    // Every declared item is allocated up front: account for all of it first.
    const size_t per_item = ValueCount(slot.type, slot.record) * sizeof(Value);
    if (!Keep(static_cast<size_t>(size) * per_item)) return Fail();
    slot.value->items.emplace(static_cast<size_t>(size), ZeroValue(slot.type, slot.record, false));
  }
  if (slot.count) *slot.count = Value::Int(static_cast<int32_t>(size));
  frames_.push_back(f);
  return true;
}

bool ResponseDecoder::EndElement() {
  if (failed_) return false;
  --depth_;
  if (skip_depth_ > 0) {
    --skip_depth_;
    return true;
  }
  switch (stage_) {
    case Stage::kHeader:
      stage_ = Stage::kEnvelope;
      return true;
    case Stage::kBody:
      if (frames_.empty()) {
        if (!response_seen_) return Fail();
        stage_ = Stage::kAfterBody;
        return true;
      }
      return CloseFrame();
    case Stage::kAfterBody:
      stage_ = Stage::kDone;
      return true;
    default:
      return Fail();  // the Envelope ended without a Body
  }
}

bool ResponseDecoder::CloseFrame() {
  Frame& f = frames_.back();
  switch (f.kind) {
    case FrameKind::kResponse:
    case FrameKind::kRecord: {
      const std::vector<Entry>& entries = *f.entries;
      const bool response = f.kind == FrameKind::kResponse;
      for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (response && (e.direction == Direction::kIn || is_count_[i])) continue;
        const bool required = !e.array && (e.type == XsdType::kInt || e.type == XsdType::kBoolean);
        if (required && (f.seen & (uint64_t{1} << i)) == 0) return Fail();
      }
      break;
    }
    case FrameKind::kArray:
      if (f.decoded < f.expected) return Fail();
      break;
    case FrameKind::kText:
      if (f.nested) {
        std::u16string& text = *frames_[f.owner].slot.value->text;
        const std::u16string& name = nested_names_.back();
        if (!Keep((name.size() + 3) * sizeof(char16_t))) return Fail();
        text += u"</";
        text += name;
        text += u'>';
        nested_names_.pop_back();
      } else if (!CloseText(f)) {
        return Fail();
      }
      break;
  }
  frames_.pop_back();
  return true;
}

bool ResponseDecoder::CloseText(Frame& f) {
  Value& v = *f.slot.value;
  switch (f.slot.type) {
    case XsdType::kString:
      return true;
    case XsdType::kInt: {
      if (!ReadInt(scratch_, v.number)) return false;
      return true;
    }
    case XsdType::kBoolean: {
      const int b = ReadBoolean(scratch_);
      if (b < 0) return false;
      v.flag = b == 1;
      return true;
    }
    case XsdType::kBase64Binary:
      if (!f.any_text) {
        v.bytes.reset();
        return true;
      }
      f.base64.Finish(*v.bytes);
      return true;
    case XsdType::kRecord:
      break;
  }
  return false;
}

bool ResponseDecoder::Characters(std::u16string_view text) {
  if (failed_) return false;
  if (skip_depth_ > 0 || frames_.empty() || text.empty()) return true;
  Frame& top = frames_.back();
  if (top.kind != FrameKind::kText) return true;  // blanks between fields
  if (!AppendText(top, text)) return Fail();
  return true;
}

bool ResponseDecoder::AppendText(Frame& f, std::u16string_view text) {
  switch (f.slot.type) {
    case XsdType::kString:
      if (!Keep(text.size() * sizeof(char16_t))) return false;
      frames_[f.owner].slot.value->text->append(text);
      return true;
    case XsdType::kInt:
    case XsdType::kBoolean:
      if (scratch_.size() + text.size() > kMaxNumberText) return false;
      scratch_.append(text);
      return true;
    case XsdType::kBase64Binary: {
      if (!Keep(text.size() / 4 * 3 + 3)) return false;
      Value& v = *f.slot.value;
      if (!f.any_text) {
        f.any_text = true;
        v.bytes.emplace();
      }
      f.base64.Feed(text, *v.bytes);
      return true;
    }
    case XsdType::kRecord:
      break;
  }
  return false;
}

bool ResponseDecoder::Finish(bool parsed) {
  if (failed_) return false;
  if (!parsed || stage_ != Stage::kDone || !response_seen_ || !pending_.empty()) return Fail();
  return true;
}

}  // namespace QPTSoap
