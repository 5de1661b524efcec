#include "notifier/service/soap_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "notifier/service/expat_reader.h"
#include "notifier/service/value_dump.h"
#include "tests/support/hostile_documents.h"
#include "tests/support/piece_source.h"
#include "tests/support/soap_vectors.h"

namespace QPTSoap {
namespace {

using testing::DecodeToText;

const std::string kOpen =
    "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:c=\"http://schemas.xmlsoap.org/soap/encoding/\">";

// A whole answer whose Body holds a response element with `inner`.
std::string Answer(const std::string& inner, const std::string& header = "") {
  return kOpen + header + "<e:Body><r>" + inner + "</r></e:Body></e:Envelope>";
}

std::string Decode(int op, const std::string& doc) {
  return DecodeToText(op, [&](ResponseDecoder& d) { return ParseWithExpat(doc, d); });
}

// The fields of a Message with every required field, and its dump.
std::string MessageFields(const std::string& extra = "", const std::string& leave_out = "") {
  const char* required[][2] = {
      {"date", "1"}, {"size", "2"}, {"priority", "3"}, {"has_attachment", "true"},
      {"is_flagged", "false"}, {"is_answered", "0"}, {"is_seen", "1"}, {"is_draft", "false"},
      {"is_forwarded", "false"}, {"header_num", "9"}};
  std::string m;
  for (const auto& f : required) {
    if (leave_out != f[0]) m += std::string("<") + f[0] + ">" + f[1] + "</" + f[0] + ">";
  }
  return m + extra;
}
std::string Message(const std::string& extra = "", const std::string& leave_out = "") {
  return "<m>" + MessageFields(extra, leave_out) + "</m>";
}
std::string MessageJson(const std::string& subject = "null") {
  return "{\"uidstr\":{\"path\":null,\"uid\":null},\"date\":1,\"from\":null,"
         "\"from_display\":null,\"from_email\":null,\"subject\":" + subject +
         ",\"body\":null,\"size\":2,\"priority\":3,\"has_attachment\":true,"
         "\"is_flagged\":false,\"is_answered\":false,\"is_seen\":true,\"is_draft\":false,"
         "\"is_forwarded\":false,\"header_num\":9}";
}
std::string Messages(const std::string& type, const std::string& items) {
  return "<new_header_num>5</new_header_num><total_unread>6</total_unread>"
         "<new_unread>7</new_unread><messages c:arrayType=\"" + type + "\">" + items +
         "</messages>";
}
std::string MessagesJson(int count, const std::string& items) {
  return "{\"new_header_num\":5,\"messages\":" + items + ",\"__messages_nSizeIs\":" +
         std::to_string(count) + ",\"total_unread\":6,\"new_unread\":7}";
}

struct Case {
  const char* label;
  int op;
  std::string doc;
  std::string expected;  // "fail" or the dump
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(Decode(c.op, c.doc), c.expected) << c.label;
}

TEST(ResponseDecoder, EnvelopeHeaderAndBody) {
  const std::string ok = "{\"result\":\"active\"}";
  const std::string result = "<result>active</result>";
  RunCases({
      {"plain answer", kCheckAuth, Answer(result), ok},
      {"unexpected response name is still decoded", kCheckAuth,
       kOpen + "<e:Body><q:Fault xmlns:q=\"urn:q\">" + result + "</q:Fault></e:Body></e:Envelope>", ok},
      {"Fault with status 200 fails at its first child", kCheckAuth,
       kOpen + "<e:Body><e:Fault><faultcode>e:Client</faultcode></e:Fault></e:Body></e:Envelope>", "fail"},
      {"mustUnderstand 1 fails", kCheckAuth,
       Answer(result, "<e:Header><h e:mustUnderstand=\"1\"/></e:Header>"), "fail"},
      {"mustUnderstand true fails", kCheckAuth,
       Answer(result, "<e:Header><h e:mustUnderstand=\"true\"/></e:Header>"), "fail"},
      {"mustUnderstand not a boolean fails", kCheckAuth,
       Answer(result, "<e:Header><h e:mustUnderstand=\" 0\"/></e:Header>"), "fail"},
      {"mustUnderstand 0 skipped with its content", kCheckAuth,
       Answer(result, "<e:Header><h e:mustUnderstand=\"0\"><result>x</result></h></e:Header>"), ok},
      {"mustUnderstand in another namespace is not ours", kCheckAuth,
       Answer(result, "<e:Header><h xmlns:o=\"urn:o\" o:mustUnderstand=\"1\"/></e:Header>"), ok},
      {"Header after another envelope element", kCheckAuth,
       kOpen + "<e:Other/><e:Header/><e:Body><r>" + result + "</r></e:Body></e:Envelope>", "fail"},
      {"second Body", kCheckAuth,
       kOpen + "<e:Body><r>" + result + "</r></e:Body><e:Body/></e:Envelope>", "fail"},
      {"second Envelope inside", kCheckAuth,
       kOpen + "<e:Envelope/><e:Body><r>" + result + "</r></e:Body></e:Envelope>", "fail"},
      {"Body as document element", kCheckAuth,
       "<e:Body xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><r>" + result + "</r></e:Body>", "fail"},
      {"Envelope without Body", kCheckAuth, kOpen + "</e:Envelope>", "fail"},
      {"Body without response element", kCheckAuth, kOpen + "<e:Body/></e:Envelope>", "fail"},
      {"names are case-sensitive", kCheckAuth,
       kOpen + "<e:body><r>" + result + "</r></e:body></e:Envelope>", "fail"},
  });
}

TEST(ResponseDecoder, EntriesAndPresence) {
  RunCases({
      {"check_auth Active stays Active", kCheckAuth, Answer("<result>Active</result>"),
       "{\"result\":\"Active\"}"},
      {"nil true gives null", kCheckAuth, Answer("<result i:nil=\"true\">x</result>"),
       "{\"result\":null}"},
      {"nil 1 gives null", kCheckAuth, Answer("<result i:nil=\"1\"/>"), "{\"result\":null}"},
      {"nil false is ignored", kCheckAuth, Answer("<result i:nil=\"false\">x</result>"),
       "{\"result\":\"x\"}"},
      {"nil not a boolean is ignored", kCheckAuth, Answer("<result i:nil=\"yes\">x</result>"),
       "{\"result\":\"x\"}"},
      {"absent string stays null", kCheckAuth, Answer(""), "{\"result\":null}"},
      {"empty string is not null", kCheckAuth, Answer("<result/>"), "{\"result\":\"\"}"},
      {"second child for one entry", kCheckAuth, Answer("<result>a</result><result>b</result>"),
       "fail"},
      {"unknown child", kCheckAuth, Answer("<other>a</other>"), "fail"},
      {"in-only parameter name", kCheckAuth, Answer("<auth/>"), "fail"},
      {"namespace of a child is not checked", kCheckAuth,
       Answer("<q:result xmlns:q=\"urn:q\">a</q:result>"), "{\"result\":\"a\"}"},
      {"nil on an int fails", kGetVersion, Answer("<current_version i:nil=\"true\"/>"), "fail"},
      {"missing int fails", kGetVersion, Answer(""), "fail"},
      {"missing total_unread fails", kGetNewMessages,
       Answer("<new_header_num>5</new_header_num><new_unread>7</new_unread>"), "fail"},
      {"no messages element: null array, count 0", kGetNewMessages,
       Answer("<new_header_num>5</new_header_num><total_unread>6</total_unread><new_unread>7</new_unread>"),
       MessagesJson(0, "null")},
      {"Message without is_seen fails", kGetNewMessages,
       Answer(Messages("M[1]", Message("", "is_seen"))), "fail"},
      {"Message without subject: null subject", kGetNewMessages,
       Answer(Messages("M[1]", Message())), MessagesJson(1, "[" + MessageJson() + "]")},
      {"nil record field", kGetNewMessages,
       Answer(Messages("M[1]", Message("<uidstr i:nil=\"true\"/>"))),
       MessagesJson(1, "[" + MessageJson() + "]")},
  });
}

TEST(ResponseDecoder, Arrays) {
  const std::string m = Message("<subject>eA==</subject>");
  const std::string mj = MessageJson("\"x\"");
  RunCases({
      {"two declared, two present", kGetNewMessages, Answer(Messages("q1:Message[2]", m + m)),
       MessagesJson(2, "[" + mj + "," + mj + "]")},
      {"two declared, three present", kGetNewMessages,
       Answer(Messages("q1:Message[2]", m + m + m)), "fail"},
      {"three declared, two present", kGetNewMessages,
       Answer(Messages("q1:Message[3]", m + m)), "fail"},
      {"size 0: null array", kGetNewMessages, Answer(Messages("M[0]", "")), MessagesJson(0, "null")},
      {"size 0 with an item", kGetNewMessages, Answer(Messages("M[0]", m)), "fail"},
      {"product of the sizes, blanks allowed", kGetNewMessages,
       Answer(Messages(" \n x:y[ 1 , 2 ]", m + m)), MessagesJson(2, "[" + mj + "," + mj + "]")},
      {"text after the brackets is ignored", kGetNewMessages,
       Answer(Messages("M[1][5]", m)), MessagesJson(1, "[" + mj + "]")},
      {"without arrayType", kGetNewMessages,
       Answer("<new_header_num>5</new_header_num><total_unread>6</total_unread><new_unread>7</new_unread>"
              "<messages>" + m + "</messages>"), "fail"},
      {"arrayType in another namespace", kGetNewMessages,
       Answer("<new_header_num>5</new_header_num><total_unread>6</total_unread><new_unread>7</new_unread>"
              "<messages arrayType=\"M[1]\">" + m + "</messages>"), "fail"},
      {"no bracket", kGetNewMessages, Answer(Messages("M", m)), "fail"},
      {"unknown size", kGetNewMessages, Answer(Messages("M[]", m)), "fail"},
      {"no closing bracket", kGetNewMessages, Answer(Messages("M[1", m)), "fail"},
      {"empty dimension", kGetNewMessages, Answer(Messages("M[1,]", m)), "fail"},
      {"negative size", kGetNewMessages, Answer(Messages("M[-1]", m)), "fail"},
      {"size beyond the item limit", kGetNewMessages, Answer(Messages("M[100001]", m)), "fail"},
      {"size within the item limit but beyond the allocation cap", kGetNewMessages,
       Answer(Messages("M[100000]", m)), "fail"},
      {"product beyond the limit", kGetNewMessages, Answer(Messages("M[65536,65536]", m)), "fail"},
      {"huge number", kGetNewMessages, Answer(Messages("M[99999999999999999999999]", m)), "fail"},
      {"nil record item fails", kGetNewMessages, Answer(Messages("M[1]", "<m i:nil=\"1\"/>")), "fail"},
      {"item names are not checked", kGetWatchFolders,
       Answer("<folders c:arrayType=\"F[1]\"><anything><path>p</path><unread>1</unread><total>2</total>"
              "<is_system>true</is_system><is_watched>false</is_watched></anything></folders>"),
       "{\"folders\":[{\"path\":\"p\",\"display_name\":null,\"unread\":1,\"total\":2,"
       "\"is_system\":true,\"is_watched\":false}],\"__folders_nSizeIs\":1}"},
      {"companion count is not a wire name", kGetWatchFolders,
       Answer("<__folders_nSizeIs>1</__folders_nSizeIs>"), "fail"},
      {"nil array", kGetWatchFolders, Answer("<folders i:nil=\"true\"/>"),
       "{\"folders\":null,\"__folders_nSizeIs\":0}"},
  });
}

TEST(ResponseDecoder, MultiReferences) {
  const std::string head = "<new_header_num>5</new_header_num><total_unread>6</total_unread>"
                           "<new_unread>7</new_unread>";
  auto doc = [&](const std::string& response, const std::string& rest) {
    return kOpen + "<e:Body><r>" + head + response + "</r>" + rest + "</e:Body></e:Envelope>";
  };
  const std::string arr = "<x id=\"a\" c:arrayType=\"M[1]\"><m href=\"#b\"/></x>";
  const std::string uid = "<uidstr><path>P</path><uid>U</uid></uidstr>";
  const std::string mj = MessageJson();
  std::string with_uid = mj;
  with_uid.replace(with_uid.find("{\"path\":null,\"uid\":null}"), 24, "{\"path\":\"P\",\"uid\":\"U\"}");
  RunCases({
      {"array and item by reference", kGetNewMessages,
       doc("<messages href=\"#a\"/>", arr + "<y id=\"b\">" + MessageFields() + "</y>"),
       MessagesJson(1, "[" + mj + "]")},
      {"reference without #", kGetNewMessages,
       doc("<messages href=\"a\"/>", arr + "<y id=\"b\">" + MessageFields() + "</y>"),
       MessagesJson(1, "[" + mj + "]")},
      {"record field by reference", kGetNewMessages,
       doc(Messages("M[1]", Message("<uidstr href=\"#u\"/>")).substr(head.size()),
           "<u id=\"u\"><path>P</path><uid>U</uid></u>"),
       MessagesJson(1, "[" + with_uid + "]")},
      {"unreferenced ids and other elements are skipped", kGetNewMessages,
       doc(Messages("M[1]", Message(uid)).substr(head.size()), "<z id=\"q\"><bad/></z><w/>"),
       MessagesJson(1, "[" + with_uid + "]")},
      {"unresolved reference", kGetNewMessages, doc("<messages href=\"#a\"/>", ""), "fail"},
      {"target before its reference", kGetNewMessages,
       doc("<messages href=\"#a\"/>", "<y id=\"b\">" + MessageFields() + "</y>" + arr), "fail"},
      {"second reference to one id", kGetNewMessages,
       doc("<messages href=\"#a\"/>",
           "<x id=\"a\" c:arrayType=\"M[2]\"><m href=\"#b\"/><m href=\"#b\"/></x>"
           "<y id=\"b\">" + MessageFields() + "</y>"), "fail"},
      {"cycle through a record", kGetNewMessages,
       doc("<messages href=\"#a\"/>",
           "<x id=\"a\" c:arrayType=\"M[1]\"><m href=\"#b\"/></x><y id=\"b\"><uidstr href=\"#b\"/></y>"),
       "fail"},
      {"empty reference", kGetNewMessages, doc("<messages href=\"#\"/>", ""), "fail"},
      {"target with missing required field", kGetNewMessages,
       doc("<messages href=\"#a\"/>", arr + "<y id=\"b\">" + MessageFields("", "date") + "</y>"),
       "fail"},
      {"string entries take no reference", kCheckAuth,
       Answer("<result href=\"#s\"/>"), "{\"result\":\"\"}"},
  });
}

TEST(ResponseDecoder, ValueGrammars) {
  auto version = [](const std::string& text) {
    return Answer("<current_version>" + text + "</current_version>");
  };
  auto folder_flag = [](const std::string& text) {
    return Answer("<folders c:arrayType=\"F[1]\"><f><unread>0</unread><total>0</total>"
                  "<is_system>" + text + "</is_system><is_watched>0</is_watched></f></folders>");
  };
  auto subject = [](const std::string& text) {
    return Answer(Messages("M[1]", Message("<subject>" + text + "</subject>")));
  };
  const std::string flag_true =
      "{\"folders\":[{\"path\":null,\"display_name\":null,\"unread\":0,\"total\":0,"
      "\"is_system\":true,\"is_watched\":false}],\"__folders_nSizeIs\":1}";
  std::string flag_false = flag_true;
  flag_false.replace(flag_false.find("\"is_system\":true"), 16, "\"is_system\":false");
  auto subject_json = [](const std::string& json) {
    return MessagesJson(1, "[" + MessageJson(json) + "]");
  };
  RunCases({
      {"int", kGetVersion, version("4"), "{\"current_version\":4}"},
      {"int with blanks", kGetVersion, version(" \t\r\n-12 \n"), "{\"current_version\":-12}"},
      {"int plus sign", kGetVersion, version("+7"), "{\"current_version\":7}"},
      {"int leading zeros", kGetVersion, version("007"), "{\"current_version\":7}"},
      {"int maximum", kGetVersion, version("2147483647"), "{\"current_version\":2147483647}"},
      {"int minimum", kGetVersion, version("-2147483648"), "{\"current_version\":-2147483648}"},
      {"int overflow", kGetVersion, version("2147483648"), "fail"},
      {"int underflow", kGetVersion, version("-2147483649"), "fail"},
      {"int long overflow", kGetVersion, version("99999999999999999999"), "fail"},
      {"int empty", kGetVersion, version(""), "fail"},
      {"int sign only", kGetVersion, version("-"), "fail"},
      {"int blank inside", kGetVersion, version("1 2"), "fail"},
      {"int hex", kGetVersion, version("0x10"), "fail"},
      {"int fraction", kGetVersion, version("1.0"), "fail"},
      {"int with markup", kGetVersion, version("1<b/>"), "fail"},
      {"int with entity", kGetVersion, version("&#x34;"), "{\"current_version\":4}"},
      {"boolean true", kGetWatchFolders, folder_flag("true"), flag_true},
      {"boolean 1", kGetWatchFolders, folder_flag("1"), flag_true},
      {"boolean false", kGetWatchFolders, folder_flag("false"), flag_false},
      {"boolean 0", kGetWatchFolders, folder_flag("0"), flag_false},
      {"boolean True", kGetWatchFolders, folder_flag("True"), "fail"},
      {"boolean blank before true", kGetWatchFolders, folder_flag(" true"), "fail"},
      {"boolean true with line feed", kGetWatchFolders, folder_flag("true\n"), "fail"},
      {"boolean empty", kGetWatchFolders, folder_flag(""), "fail"},
      {"boolean yes", kGetWatchFolders, folder_flag("yes"), "fail"},
      {"string keeps blanks and resolves references", kCheckAuth,
       Answer("<result> a &amp; &lt;b&gt; &#xE9;&#x1F600; </result>"),
       "{\"result\":\" a & <b> \xC3\xA9\xF0\x9F\x98\x80 \"}"},
      {"string rebuilds nested markup", kCheckAuth,
       Answer("<result>x<q:b xmlns:q=\"urn:q\" k=\"v\" q:n=\"w\">y<c/></q:b>z</result>"),
       "{\"result\":\"x<b k=\\\"v\\\" n=\\\"w\\\">y<c></c></b>z\"}"},
      {"base64", kGetNewMessages, subject("Y2Fmw6k="), subject_json("\"caf\xC3\xA9\"")},
      {"base64 skips line breaks, padding and others", kGetNewMessages,
       subject("Y2F\r\nm w6k=*"), subject_json("\"caf\xC3\xA9\"")},
      {"base64 three-character tail", kGetNewMessages, subject("QUJDREU"), subject_json("\"ABCDE\"")},
      {"base64 two-character tail", kGetNewMessages, subject("QUJDRA"), subject_json("\"ABCD\"")},
      {"base64 lone final character", kGetNewMessages, subject("QUJDR"), subject_json("\"ABC\"")},
      {"base64 padding does not end a group", kGetNewMessages, subject("QQ==QkM="),
       subject_json("\"A\\u0004$\"")},
      {"base64 empty element is null", kGetNewMessages, subject(""), subject_json("null")},
      {"base64 no alphabet: empty block", kGetNewMessages, subject(" "), subject_json("\"\"")},
      {"base64 non-UTF-8 bytes", kGetNewMessages, subject("/+8A"),
       subject_json("{\"base64\":\"/+8A\"}")},
      {"base64 with markup", kGetNewMessages, subject("QQ<b/>"), "fail"},
  });
}

TEST(ResponseDecoder, LimitsAndStickyFailure) {
  // Text kept by the decoder is capped even when a reader passes more.
  {
    const OperationDescription& op = Operation(kCheckAuth);
    std::vector<Value> values(op.entries.size());
    ResponseDecoder d(op, values);
    const std::vector<SaxAttribute> none;
    const std::u16string env = u"http://schemas.xmlsoap.org/soap/envelope/";
    ASSERT_TRUE(d.StartElement(env, u"Envelope", none));
    ASSERT_TRUE(d.StartElement(env, u"Body", none));
    ASSERT_TRUE(d.StartElement(u"", u"r", none));
    ASSERT_TRUE(d.StartElement(u"", u"result", none));
    const std::u16string chunk(1 << 20, u'a');
    bool ok = true;
    for (int i = 0; i < 40 && ok; ++i) ok = d.Characters(chunk);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(values[1].text.has_value()) << "a failure resets the out values";
    EXPECT_FALSE(d.EndElement()) << "failure is final";
    EXPECT_FALSE(d.Finish());
  }
  // Nesting beyond the depth limit fails in the decoder itself.
  {
    const OperationDescription& op = Operation(kCheckAuth);
    std::vector<Value> values(op.entries.size());
    ResponseDecoder d(op, values);
    const std::vector<SaxAttribute> none;
    const std::u16string env = u"http://schemas.xmlsoap.org/soap/envelope/";
    bool ok = d.StartElement(env, u"Envelope", none) && d.StartElement(env, u"Body", none) &&
              d.StartElement(u"", u"r", none) && d.StartElement(u"", u"result", none);
    int depth = 4;
    while (ok && depth <= kMaxElementDepth) {
      ok = d.StartElement(u"", u"b", none);
      ++depth;
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(depth, kMaxElementDepth + 1);
  }
  // In-only entries stay as the caller put them; out entries are reset.
  {
    const OperationDescription& op = Operation(kGetMessages);
    std::vector<Value> values(op.entries.size());
    values[0] = Value::Record({Value::String(u"u"), Value::String(u"p")});
    values[1] = Value::Array(std::vector<Value>{Value::Record({})});
    values[2] = Value::Int(1);
    ResponseDecoder d(op, values);
    EXPECT_FALSE(values[1].items.has_value());
    EXPECT_EQ(values[2].number, 0);
    EXPECT_FALSE(ParseWithExpat(std::string("<x/>"), d));
    EXPECT_EQ(*values[0].fields[0].text, u"u");
  }
}

std::string DataDir() { return QP_SOAP_VECTORS_DIR; }

TEST(ResponseVectors, DecodeThroughExpat) {
  const std::string error =
      testing::ForEachVector(DataDir(), [](const testing::Vector& v, const std::string& doc) {
        EXPECT_EQ(Decode(v.operation, doc), testing::Expected(v)) << v.file;
        for (size_t step : {size_t{1}, size_t{7}, size_t{4096}}) {
          const std::string streamed = DecodeToText(v.operation, [&](ResponseDecoder& d) {
            testing::PieceSource source(doc, step);
            return ParseWithExpat(source, d);
          });
          EXPECT_EQ(streamed, testing::Expected(v)) << v.file << " in pieces of " << step;
        }
      });
  EXPECT_EQ(error, "");
}

class FailingSource : public ByteSource {
 public:
  bool Read(char* buffer, size_t capacity, size_t& got) override {
    if (sent_) return false;
    const std::string start = kOpen + "<e:Body><r><result>active</result></r>";
    got = start.copy(buffer, capacity);
    sent_ = true;
    return true;
  }

 private:
  bool sent_ = false;
};

// Endless white space inside the document.
class EndlessSource : public ByteSource {
 public:
  bool Read(char* buffer, size_t capacity, size_t& got) override {
    if (!started_) {
      got = kOpen.copy(buffer, capacity);
      started_ = true;
    } else {
      std::fill(buffer, buffer + capacity, ' ');
      got = capacity;
    }
    return true;
  }

 private:
  bool started_ = false;
};

TEST(ExpatStream, ReadErrorsAndEndlessBodiesFail) {
  FailingSource failing;
  EXPECT_EQ(DecodeToText(kCheckAuth, [&](ResponseDecoder& d) { return ParseWithExpat(failing, d); }),
            "fail");
  EndlessSource endless;
  EXPECT_EQ(DecodeToText(kCheckAuth, [&](ResponseDecoder& d) { return ParseWithExpat(endless, d); }),
            "fail");
}

TEST(ExpatReader, HostileAnswersFailWithoutFetching) {
  testing::LoopbackListener listener;
  ASSERT_NE(listener.port(), 0);
  ASSERT_TRUE(listener.CountsAConnection());
  for (const auto& [label, doc] : testing::HostileDocuments(listener.port())) {
    EXPECT_EQ(Decode(kCheckAuth, doc), "fail") << label;
  }
  // A fetch would have connected while the parse ran; give a late one time.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(listener.hits(), 1) << "the parse connected to the listener";
}

}  // namespace
}  // namespace QPTSoap
