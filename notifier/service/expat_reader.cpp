#include "notifier/service/expat_reader.h"

#include <expat.h>

#include <memory>
#include <vector>

namespace QPTSoap {
namespace {

constexpr char kSeparator = '\x01';

// expat hands out well-formed UTF-8. Writes through a pointer into room
// for the worst case (one unit per byte), then trims.
void AppendUtf8(std::string_view s, std::u16string& out) {
  const size_t start = out.size();
  out.resize(start + s.size());
  char16_t* o = &out[start];
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      *o++ = c;
      ++i;
      continue;
    }
    char32_t cp;
    size_t n;
    if ((c >> 5) == 0x6) { cp = c & 0x1F; n = 2; }
    else if ((c >> 4) == 0xE) { cp = c & 0x0F; n = 3; }
    else { cp = c & 0x07; n = 4; }
    if (i + n > s.size()) break;
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *o++ = static_cast<char16_t>(cp);
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
}

void Assign(std::string_view s, std::u16string& out) {
  out.clear();
  AppendUtf8(s, out);
}

// `raw_ns` remembers the bytes `ns` was made from: the same few namespace
// URIs come back on every element, and are converted once.
void SplitName(const char* name, std::u16string& ns, std::string& raw_ns, std::u16string& local) {
  const std::string_view full(name);
  const size_t sep = full.find(kSeparator);
  if (sep == std::string_view::npos) {
    ns.clear();
    raw_ns.clear();
    Assign(full, local);
    return;
  }
  const std::string_view uri = full.substr(0, sep);
  if (uri != raw_ns) {
    raw_ns.assign(uri);
    Assign(uri, ns);
  }
  Assign(full.substr(sep + 1), local);
}

struct Context {
  Context(XML_Parser p, SaxHandler& h) : parser(p), handler(h) {}
  XML_Parser parser;
  SaxHandler& handler;
  bool failed = false;
  int depth = 0;
  size_t kept = 0;
  // Reused between events: most elements need no new allocation.
  std::u16string ns, local, text;
  std::string raw_ns;
  // The attributes of the current element, the bytes of their namespaces,
  // and the entries of longer lists kept for later elements.
  std::vector<SaxAttribute> attributes;
  std::vector<std::string> raw_attribute_ns;
  std::vector<SaxAttribute> spare;
  std::vector<std::string> spare_raw;

  void ResizeAttributes(size_t count) {
    while (attributes.size() > count) {
      spare.push_back(std::move(attributes.back()));
      spare_raw.push_back(std::move(raw_attribute_ns.back()));
      attributes.pop_back();
      raw_attribute_ns.pop_back();
    }
    while (attributes.size() < count) {
      if (spare.empty()) {
        attributes.emplace_back();
        raw_attribute_ns.emplace_back();
      } else {
        attributes.push_back(std::move(spare.back()));
        raw_attribute_ns.push_back(std::move(spare_raw.back()));
        spare.pop_back();
        spare_raw.pop_back();
      }
    }
  }

  void Fail() {
    if (!failed) XML_StopParser(parser, XML_FALSE);
    failed = true;
  }
};

void XMLCALL OnStart(void* data, const char* name, const char** atts) {
  auto* ctx = static_cast<Context*>(data);
  if (ctx->failed) return;
  if (++ctx->depth > kMaxElementDepth) return ctx->Fail();
  SplitName(name, ctx->ns, ctx->raw_ns, ctx->local);
  size_t count = 0;
  while (atts[2 * count]) ++count;
  ctx->ResizeAttributes(count);
  for (size_t k = 0; k < count; ++k) {
    const char** a = atts + 2 * k;
    SaxAttribute& attr = ctx->attributes[k];
    SplitName(a[0], attr.ns, ctx->raw_attribute_ns[k], attr.local);
    Assign(a[1], attr.value);
    ctx->kept += attr.value.size() * 2;
  }
  if (ctx->kept > kMaxResponseAllocation ||
      !ctx->handler.StartElement(ctx->ns, ctx->local, ctx->attributes)) {
    ctx->Fail();
  }
}

void XMLCALL OnEnd(void* data, const char*) {
  auto* ctx = static_cast<Context*>(data);
  if (ctx->failed) return;
  --ctx->depth;
  if (!ctx->handler.EndElement()) ctx->Fail();
}

void XMLCALL OnText(void* data, const char* s, int len) {
  auto* ctx = static_cast<Context*>(data);
  if (ctx->failed) return;
  ctx->kept += static_cast<size_t>(len) * 2;
  Assign(std::string_view(s, static_cast<size_t>(len)), ctx->text);
  if (ctx->kept > kMaxResponseAllocation || !ctx->handler.Characters(ctx->text)) {
    ctx->Fail();
  }
}

void XMLCALL OnDoctype(void* data, const char*, const char*, const char*, int) {
  static_cast<Context*>(data)->Fail();
}

void XMLCALL OnEntity(void* data, const char*, int, const char*, int,
                      const char*, const char*, const char*, const char*) {
  static_cast<Context*>(data)->Fail();
}

struct ParserDeleter {
  void operator()(XML_ParserStruct* p) const { XML_ParserFree(p); }
};

using ParserPtr = std::unique_ptr<XML_ParserStruct, ParserDeleter>;

ParserPtr NewParser() {
  ParserPtr parser(XML_ParserCreateNS(nullptr, kSeparator));
  if (!parser) return parser;
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  XML_SetStartDoctypeDeclHandler(parser.get(), OnDoctype);
  XML_SetEntityDeclHandler(parser.get(), OnEntity);
  // Never fetch an external DTD or entity.
  XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  return parser;
}

}  // namespace

bool ParseWithExpat(ByteSource& body, SaxHandler& handler) {
  ParserPtr parser = NewParser();
  if (!parser) return false;
  Context ctx(parser.get(), handler);
  XML_SetUserData(parser.get(), &ctx);
  constexpr size_t kChunk = 16 * 1024;
  size_t total = 0;
  for (;;) {
    void* buffer = XML_GetBuffer(parser.get(), static_cast<int>(kChunk));
    if (!buffer) return false;
    size_t got = 0;
    if (!body.Read(static_cast<char*>(buffer), kChunk, got) || got > kChunk) return false;
    total += got;
    if (total > kMaxResponseAllocation) return false;
    const bool last = got == 0;
    if (XML_ParseBuffer(parser.get(), static_cast<int>(got), last) != XML_STATUS_OK ||
        ctx.failed) {
      return false;
    }
    if (last) return true;
  }
}

bool ParseWithExpat(std::string_view document, SaxHandler& handler) {
  if (document.size() > kMaxResponseAllocation) return false;
  ParserPtr parser = NewParser();
  if (!parser) return false;
  Context ctx(parser.get(), handler);
  XML_SetUserData(parser.get(), &ctx);
  const XML_Status status = XML_Parse(parser.get(), document.data(),
                                      static_cast<int>(document.size()), XML_TRUE);
  return status == XML_STATUS_OK && !ctx.failed;
}

}  // namespace QPTSoap
