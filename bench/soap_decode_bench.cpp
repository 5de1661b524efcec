// Decoding a 30-message get_new_messages answer against parsing the same
// bytes only: through the expat reader with a handler that does nothing,
// and with bare expat and empty callbacks.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <string>

#include "notifier/service/expat_reader.h"
#include "notifier/service/soap_decoder.h"

namespace {

std::string Base64(const std::string& s) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < s.size(); i += 3) {
    const size_t n = std::min<size_t>(3, s.size() - i);
    uint32_t g = static_cast<uint8_t>(s[i]) << 16;
    if (n > 1) g |= static_cast<uint8_t>(s[i + 1]) << 8;
    if (n > 2) g |= static_cast<uint8_t>(s[i + 2]);
    out += kAlphabet[(g >> 18) & 63];
    out += kAlphabet[(g >> 12) & 63];
    out += n > 1 ? kAlphabet[(g >> 6) & 63] : '=';
    out += n > 2 ? kAlphabet[g & 63] : '=';
  }
  return out;
}

// An answer the way a typical server writes it: typed elements, a preview
// of a few hundred bytes per message.
std::string ThirtyMessages() {
  std::string d =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
      " xmlns:ns1=\"QPTSoapNS\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
      " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
      " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
      "<SOAP-ENV:Body><ns1:get_new_messagesResponse>"
      "<new_header_num xsi:type=\"xsd:int\">1030</new_header_num>"
      "<messages xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"ns1:Message[30]\">";
  auto b64 = [](const char* name, const std::string& text) {
    return std::string("<") + name + " xsi:type=\"xsd:base64Binary\">" + Base64(text) + "</" +
           name + ">";
  };
  auto num = [](const char* name, const char* type, const std::string& v) {
    return std::string("<") + name + " xsi:type=\"xsd:" + type + "\">" + v + "</" + name + ">";
  };
  std::string preview;
  for (int k = 0; k < 6; ++k) preview += "Dear team, the report for the last quarter is attached. ";
  for (int i = 0; i < 30; ++i) {
    const std::string n = std::to_string(i);
    d += "<item xsi:type=\"ns1:Message\"><uidstr xsi:type=\"ns1:UIDSTR\">"
         "<path xsi:type=\"xsd:string\">INBOX</path><uid xsi:type=\"xsd:string\">" +
         std::to_string(5000 + i) + "</uid></uidstr>";
    d += num("date", "int", std::to_string(1700000000 + i));
    d += b64("from", "Zoë Example <zoe" + n + "@example.org>");
    d += b64("from_display", "Zoë Example " + n);
    d += b64("from_email", "zoe" + n + "@example.org");
    d += b64("subject", "Quarterly report, part " + n);
    d += b64("body", preview);
    d += num("size", "int", std::to_string(10000 + i));
    d += num("priority", "int", "3");
    for (const char* f : {"has_attachment", "is_flagged", "is_answered", "is_seen", "is_draft",
                          "is_forwarded"}) {
      d += num(f, "boolean", "false");
    }
    d += num("header_num", "int", std::to_string(1000 + i));
    d += "</item>";
  }
  d += "</messages><total_unread xsi:type=\"xsd:int\">45</total_unread>"
       "<new_unread xsi:type=\"xsd:int\">30</new_unread>"
       "</ns1:get_new_messagesResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
  return d;
}

const std::string& Document() {
  static const std::string doc = ThirtyMessages();
  return doc;
}

class NoopHandler : public QPTSoap::SaxHandler {
 public:
  bool StartElement(std::u16string_view, std::u16string_view,
                    const std::vector<QPTSoap::SaxAttribute>&) override {
    return true;
  }
  bool EndElement() override { return true; }
  bool Characters(std::u16string_view) override { return true; }
};

void Decode(benchmark::State& state) {
  const QPTSoap::OperationDescription& op = QPTSoap::Operation(QPTSoap::kGetNewMessages);
  for (auto _ : state) {
    std::vector<QPTSoap::Value> values(op.entries.size());
    QPTSoap::ResponseDecoder decoder(op, values);
    const bool parsed = QPTSoap::ParseWithExpat(Document(), decoder);
    if (!decoder.Finish(parsed) || values[6].number != 30) {
      state.SkipWithError("the answer did not decode");
      break;
    }
    benchmark::DoNotOptimize(values.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Document().size()));
}

void ParseNoopHandler(benchmark::State& state) {
  for (auto _ : state) {
    NoopHandler handler;
    if (!QPTSoap::ParseWithExpat(Document(), handler)) {
      state.SkipWithError("the answer did not parse");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Document().size()));
}

void XMLCALL NoStart(void*, const char*, const char**) {}
void XMLCALL NoEnd(void*, const char*) {}
void XMLCALL NoText(void*, const char*, int) {}

void ParseBareExpat(benchmark::State& state) {
  for (auto _ : state) {
    XML_Parser p = XML_ParserCreateNS(nullptr, '\x01');
    XML_SetElementHandler(p, NoStart, NoEnd);
    XML_SetCharacterDataHandler(p, NoText);
    const XML_Status s =
        XML_Parse(p, Document().data(), static_cast<int>(Document().size()), XML_TRUE);
    XML_ParserFree(p);
    if (s != XML_STATUS_OK) {
      state.SkipWithError("the answer did not parse");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Document().size()));
}

BENCHMARK(Decode);
BENCHMARK(ParseNoopHandler);
BENCHMARK(ParseBareExpat);

}  // namespace

BENCHMARK_MAIN();
