// Decodes the body of a service answer (any status but 500) into the out
// values of one operation, driven by its description table. Fed by either
// XML reader through SaxHandler events.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "notifier/service/sax_handler.h"
#include "notifier/service/soap_description.h"
#include "notifier/service/xsd_text.h"

namespace QPTSoap {

// The most items one array may declare, whatever the allocation cap allows.
inline constexpr uint32_t kMaxArrayItems = 100000;

// `values` has one Value per entry of the operation (same positions). The
// constructor resets every out entry to its zero state; decoding fills every
// out entry, and for an array entry also the Int at its count_index. In-only
// entries are left alone. On failure every out entry is reset again.
//
// Choices the rules leave open: markup inside a string is rebuilt with
// local names and the attribute values as the reader reports them (no
// prefixes, no namespace declarations, nothing re-escaped); an href target
// is a child of Body after the response element, and an href on a target
// is not followed again; a base64Binary element with no content at all is a
// null block, one whose content holds no alphabet character an empty one;
// an int or boolean text may be at most 1024 characters long.
//
// Zero states: a null string or byte block, 0, false, a record whose fields
// are in their zero states, a null array. A decoded record always holds one
// Value per declared field; an absent optional record keeps its zero state.
class ResponseDecoder : public SaxHandler {
 public:
  ResponseDecoder(const OperationDescription& operation, std::vector<Value>& values);

  bool StartElement(std::u16string_view ns, std::u16string_view local,
                    const std::vector<SaxAttribute>& attributes) override;
  bool EndElement() override;
  bool Characters(std::u16string_view text) override;

  // Call it when the reader has returned, with what it returned: false when
  // the reader or the decoding failed, the document was incomplete (no
  // Envelope end, no Body, no response element) or an href is still pending;
  // the out values are reset then.
  bool Finish(bool parsed = true);

 private:
  // Where one element's value goes.
  struct Slot {
    XsdType type = XsdType::kString;
    const RecordDescription* record = nullptr;
    bool nullable = false;
    bool array = false;     // the element is an array holding items
    bool href_ok = false;   // records, arrays and array items may be references
    Value* value = nullptr;
    Value* count = nullptr; // the companion count of an array
  };
  enum class FrameKind { kResponse, kRecord, kArray, kText };
  struct Frame {
    explicit Frame(FrameKind k) : kind(k) {}
    FrameKind kind;
    Slot slot;
    const std::vector<Entry>* entries = nullptr;  // response and record frames
    Value* base = nullptr;                        // their values, entry order
    uint64_t seen = 0;
    uint32_t expected = 0;                        // array frames
    uint32_t decoded = 0;
    // Text frames: content seen, and the base64 block being decoded.
    bool any_text = false;
    Base64Decoder base64;
    // Text frames: the frame whose string gets the text, and whether this
    // one is markup nested inside it.
    size_t owner = 0;
    bool nested = false;
  };
  enum class Stage { kStart, kEnvelope, kHeader, kBody, kAfterBody, kDone };

  bool Fail();
  bool StartInBody(std::u16string_view local, const std::vector<SaxAttribute>& attributes);
  bool StartBodyChild(const std::vector<SaxAttribute>& attributes);
  bool StartField(Frame& top, std::u16string_view local,
                  const std::vector<SaxAttribute>& attributes);
  bool StartItem(Frame& top, const std::vector<SaxAttribute>& attributes);
  bool StartMarkup(const Frame& top, std::u16string_view local,
                   const std::vector<SaxAttribute>& attributes);
  bool OpenSlot(const Slot& slot, const std::vector<SaxAttribute>& attributes, bool via_href);
  bool OpenArray(const Slot& slot, const std::vector<SaxAttribute>& attributes);
  bool CloseFrame();
  bool CloseText(Frame& frame);
  bool Keep(size_t bytes);
  bool AppendText(Frame& frame, std::u16string_view text);
  void ResetOuts();
  void Skip() { skip_depth_ = 1; }

  const OperationDescription& operation_;
  std::vector<Value>& values_;
  std::vector<bool> is_count_;
  Stage stage_ = Stage::kStart;
  int depth_ = 0;
  int skip_depth_ = 0;          // >0 while skipping an element's content
  bool envelope_child_seen_ = false;
  bool response_seen_ = false;
  bool failed_ = false;
  size_t kept_ = 0;
  std::vector<Frame> frames_;
  std::vector<std::u16string> nested_names_;  // markup open inside a string
  std::u16string scratch_;                    // text of the int or boolean being read
  std::unordered_map<std::u16string, Slot> pending_;     // href id -> waiting slot
  std::unordered_set<std::u16string> referenced_;        // every id an href named
};

}  // namespace QPTSoap
