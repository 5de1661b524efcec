#include "notifier/service/expat_reader.h"

#include <expat.h>

#include <memory>

namespace QPTSoap {
namespace {

constexpr char kSeparator = '\x01';

// expat hands out well-formed UTF-8.
std::u16string FromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    size_t n;
    if (c < 0x80) { cp = c; n = 1; }
    else if ((c >> 5) == 0x6) { cp = c & 0x1F; n = 2; }
    else if ((c >> 4) == 0xE) { cp = c & 0x0F; n = 3; }
    else { cp = c & 0x07; n = 4; }
    if (i + n > s.size()) break;
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

void SplitName(const char* name, std::u16string& ns, std::u16string& local) {
  const std::string_view full(name);
  const size_t sep = full.find(kSeparator);
  if (sep == std::string_view::npos) {
    ns.clear();
    local = FromUtf8(full);
  } else {
    ns = FromUtf8(full.substr(0, sep));
    local = FromUtf8(full.substr(sep + 1));
  }
}

struct Context {
  XML_Parser parser;
  SaxHandler& handler;
  bool failed = false;
  size_t kept = 0;

  void Fail() {
    if (!failed) XML_StopParser(parser, XML_FALSE);
    failed = true;
  }
};

void XMLCALL OnStart(void* data, const char* name, const char** atts) {
  auto* ctx = static_cast<Context*>(data);
  if (ctx->failed) return;
  std::u16string ns, local;
  SplitName(name, ns, local);
  std::vector<SaxAttribute> attributes;
  for (const char** a = atts; *a; a += 2) {
    SaxAttribute attr;
    SplitName(a[0], attr.ns, attr.local);
    attr.value = FromUtf8(a[1]);
    ctx->kept += attr.value.size() * 2;
    attributes.push_back(std::move(attr));
  }
  if (ctx->kept > kMaxResponseAllocation ||
      !ctx->handler.StartElement(ns, local, attributes)) {
    ctx->Fail();
  }
}

void XMLCALL OnEnd(void* data, const char*) {
  auto* ctx = static_cast<Context*>(data);
  if (!ctx->failed && !ctx->handler.EndElement()) ctx->Fail();
}

void XMLCALL OnText(void* data, const char* s, int len) {
  auto* ctx = static_cast<Context*>(data);
  if (ctx->failed) return;
  ctx->kept += static_cast<size_t>(len) * 2;
  if (ctx->kept > kMaxResponseAllocation ||
      !ctx->handler.Characters(FromUtf8(std::string_view(s, len)))) {
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

}  // namespace

bool ParseWithExpat(std::string_view document, SaxHandler& handler) {
  std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(
      XML_ParserCreateNS(nullptr, kSeparator));
  if (!parser) return false;
  Context ctx{parser.get(), handler};
  XML_SetUserData(parser.get(), &ctx);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  XML_SetStartDoctypeDeclHandler(parser.get(), OnDoctype);
  XML_SetEntityDeclHandler(parser.get(), OnEntity);
  // Never fetch an external DTD or entity.
  XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  if (document.size() > kMaxResponseAllocation) return false;
  const XML_Status status = XML_Parse(parser.get(), document.data(),
                                      static_cast<int>(document.size()), XML_TRUE);
  return status == XML_STATUS_OK && !ctx.failed;
}

}  // namespace QPTSoap
