#include "notifier/service/soap_fault.h"

#include <gtest/gtest.h>

#include "notifier/service/expat_reader.h"

namespace QPTSoap {
namespace {

std::string Envelope(const std::string& fault_body) {
  return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<s:Body><s:Fault>" + fault_body + "</s:Fault></s:Body></s:Envelope>";
}

TEST(FaultDecoder, FillsCodeAndTexts) {
  struct Case {
    const char* label;
    std::string doc;
    bool parses;
    int code;
    std::u16string faultcode, faultstring;
  };
  const std::vector<Case> cases = {
      {"client fault", Envelope("<faultcode>SOAP-ENV:Client</faultcode>"
                                "<faultstring>Wrong password &amp; name</faultstring>"
                                "<faultactor>a</faultactor><detail>d</detail>"),
       true, kFaultClient, u"Client", u"Wrong password & name"},
      {"leading blanks, no prefix", Envelope("<faultcode>\n  Server</faultcode>"),
       true, kFaultServer, u"Server", u""},
      {"version mismatch", Envelope("<faultcode>x:VersionMismatch</faultcode>"), true,
       kFaultVersionMismatch, u"VersionMismatch", u""},
      {"must understand", Envelope("<faultcode>x:MustUnderstand</faultcode>"), true,
       kFaultMustUnderstand, u"MustUnderstand", u""},
      {"case matters", Envelope("<faultcode>x:client</faultcode>"), true, kFaultNone,
       u"client", u""},
      {"longer name is no match", Envelope("<faultcode>x:Clients</faultcode>"), true,
       kFaultNone, u"Clients", u""},
      {"only after the first colon", Envelope("<faultcode>a:b:Client</faultcode>"),
       true, kFaultNone, u"b:Client", u""},
      {"fields in any namespace, inner elements skipped",
       Envelope("<q:faultstring xmlns:q=\"urn:x\">t\xC3\xA9<b>x</b>y</q:faultstring>"),
       true, kFaultNone, u"", u"t\u00e9"},
      {"unknown element in Fault", Envelope("<other/>"), false, kFaultNone, u"", u""},
      {"Fault in the wrong namespace",
       "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
       "<Fault><faultcode>s:Client</faultcode></Fault></s:Body></s:Envelope>",
       false, kFaultNone, u"", u""},
      {"not XML", "<html>500 oops", false, kFaultNone, u"", u""},
  };
  for (const Case& c : cases) {
    SoapFault fault;
    FaultDecoder decoder(fault);
    EXPECT_EQ(ParseWithExpat(c.doc, decoder), c.parses) << c.label;
    if (!c.parses) continue;
    EXPECT_EQ(fault.code, c.code) << c.label;
    EXPECT_EQ(fault.faultcode, c.faultcode) << c.label;
    EXPECT_EQ(fault.faultstring, c.faultstring) << c.label;
  }
}

TEST(ExpatReader, RefusesHostileDocuments) {
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "<a>";
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"billion laughs",
       "<!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>" +
           Envelope("<faultstring>&c;</faultstring>")},
      {"external entity",
       "<!DOCTYPE l [<!ENTITY x SYSTEM \"http://127.0.0.1:9/hit\">]>" +
           Envelope("<faultstring>&x;</faultstring>")},
      {"bare doctype", "<!DOCTYPE s:Envelope>" + Envelope("")},
      {"10,000-deep nesting", Envelope("<detail>") .substr(0, 0) +
           "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
           "<s:Fault><detail>" + deep},
  };
  for (const auto& [label, doc] : cases) {
    SoapFault fault;
    FaultDecoder decoder(fault);
    EXPECT_FALSE(ParseWithExpat(doc, decoder)) << label;
    EXPECT_EQ(fault.faultstring, u"") << label;
  }
}

// Takes whatever it is given, so that only the reader's own limit stops a
// document.
class AcceptingHandler : public SaxHandler {
 public:
  bool StartElement(std::u16string_view, std::u16string_view,
                    const std::vector<SaxAttribute>&) override { return true; }
  bool EndElement() override { return true; }
  bool Characters(std::u16string_view text) override {
    received += text.size();
    return true;
  }
  size_t received = 0;
};

TEST(ExpatReader, StopsKeepingTextAtTheResponseLimit) {
  // Two bytes kept per character: just under the limit passes, just over fails.
  for (const auto& [characters, parses] :
       {std::pair{kMaxResponseAllocation / 2 - 1024, true},
        std::pair{kMaxResponseAllocation / 2 + 1024, false}}) {
    const std::string doc = "<a>" + std::string(characters, 'x') + "</a>";
    AcceptingHandler handler;
    EXPECT_EQ(ParseWithExpat(doc, handler), parses) << characters;
    EXPECT_LE(handler.received * 2, kMaxResponseAllocation) << characters;
  }
}

}  // namespace
}  // namespace QPTSoap
