#include "notifier/service/soap_client.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "tests/support/fake_soap_client.h"
#include "tests/support/soap_request.h"

namespace QPTSoap {
namespace {

using QPTSoapNS::auth;
using QPTSoapNS::Folder;
using QPTSoapNS::Message;
using QPTSoapNS::OptString;
using QPTSoapNS::UIDSTR;
using Client = CQPTSoapT<FakeSoapClient>;

// An answer envelope around one response element's content.
std::string Response(const std::string& content) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\""
         " xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\""
         " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><e:Body>"
         "<ns:r xmlns:ns=\"QPTSoapNS\">" + content + "</ns:r></e:Body></e:Envelope>";
}

std::string ClientFault(const std::string& text) {
  return "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>"
         "<e:Fault><faultcode>e:Client</faultcode><faultstring>" + text +
         "</faultstring></e:Fault></e:Body></e:Envelope>";
}

const auth kAuth{u"a@b.c", u"pw"};
const std::string kAuthXml = "<auth><user_id>a@b.c</user_id><password>pw</password></auth>";

TEST(SoapClient, StartsOnTheDevelopmentAddress) {
  Client client;
  ASSERT_EQ(client.Client().endpoints.size(), 1u);
  EXPECT_EQ(client.Client().endpoints[0], u"http://dev.quillpost.com/soap/public.php?version=1");
  EXPECT_EQ(client.SetEndpoint(u"http://127.0.0.1:5/soap/public.php?version=1"), qp::kOk);
  EXPECT_EQ(client.SetEndpoint(u"not an address"), qp::kEInvalidArg);
}

// The application's client holds its transport by reference, so that it
// need not be a template over the platform's transport.
TEST(SoapClient, WorksThroughATransportReference) {
  FakeSoapClient fake;
  CQPTSoapT<Transport&> client(fake);
  EXPECT_EQ(&client.Client(), &fake);
  ASSERT_EQ(fake.endpoints.size(), 1u) << "the default address must reach the transport";
  fake.Queue(200, Response("<result>active</result>"));
  OptString result;
  ASSERT_EQ(client.check_auth(kAuth, &result), qp::kOk);
  EXPECT_EQ(result, u"active");
  ASSERT_EQ(fake.sent.size(), 1u);
  EXPECT_NE(fake.sent[0].body.find(kAuthXml), std::string::npos) << fake.sent[0].body;
}

TEST(SoapClient, RejectsNullOutputsBeforeAnythingIsSent) {
  const std::vector<std::pair<const char*, std::function<int32_t(Client&)>>> cases = {
      {"check_auth", [](Client& c) { return c.check_auth(kAuth, nullptr); }},
      {"get_new_messages: new_header_num",
       [](Client& c) {
         std::optional<std::vector<Message>> m;
         int32_t n = 0;
         return c.get_new_messages(kAuth, 0, u"", 5, nullptr, &m, &n, &n, &n);
       }},
      {"get_new_messages: messages",
       [](Client& c) {
         int32_t n = 0;
         return c.get_new_messages(kAuth, 0, u"", 5, &n, nullptr, &n, &n, &n);
       }},
      {"get_new_messages: count",
       [](Client& c) {
         std::optional<std::vector<Message>> m;
         int32_t n = 0;
         return c.get_new_messages(kAuth, 0, u"", 5, &n, &m, nullptr, &n, &n);
       }},
      {"get_new_messages: new_unread",
       [](Client& c) {
         std::optional<std::vector<Message>> m;
         int32_t n = 0;
         return c.get_new_messages(kAuth, 0, u"", 5, &n, &m, &n, &n, nullptr);
       }},
      {"get_auth_url", [](Client& c) { return c.get_auth_url(kAuth, u"index", nullptr); }},
      {"get_message_url",
       [](Client& c) { return c.get_message_url(kAuth, UIDSTR{}, u"view", nullptr); }},
      {"get_generic_pref",
       [](Client& c) { return c.get_generic_pref(kAuth, u"no_trash", 0, nullptr); }},
      {"apply_action: a count without elements",
       [](Client& c) { return c.apply_action(kAuth, nullptr, 1, u"delete", std::nullopt); }},
      {"get_watch_folders: folders",
       [](Client& c) {
         int32_t n = 0;
         return c.get_watch_folders(kAuth, u"", nullptr, &n);
       }},
      {"get_watch_folders: count",
       [](Client& c) {
         std::optional<std::vector<Folder>> f;
         return c.get_watch_folders(kAuth, u"", &f, nullptr);
       }},
      {"get_version", [](Client& c) { return c.get_version(u"x", nullptr); }},
      {"get_url", [](Client& c) { return c.get_url(kAuth, u"help", u"1", nullptr); }},
  };
  for (const auto& [label, call] : cases) {
    Client client;
    client.Client().Queue(200, Response(""));
    EXPECT_EQ(call(client), qp::kEPointer) << label;
    EXPECT_TRUE(client.Client().sent.empty()) << label;
    EXPECT_EQ(client.Client().begun_calls, 0) << label;
  }
}

struct RequestCase {
  const char* label;
  const char* operation;
  std::function<int32_t(Client&)> call;
  std::string params;  // between the operation element's tags
};

// The calls that read an account's mail and pages.
std::vector<RequestCase> AccountRequestCases() {
  const UIDSTR message{u"INBOX", u"17"};
  return {
      {"check_auth", "check_auth",
       [](Client& c) { OptString r; return c.check_auth(kAuth, &r); }, kAuthXml},
      {"empty password, never nil", "check_auth",
       [](Client& c) { OptString r; return c.check_auth({u"a@b.c", u""}, &r); },
       "<auth><user_id>a@b.c</user_id><password></password></auth>"},
      {"awkward characters", "check_auth",
       [](Client& c) {
         OptString r;
         return c.check_auth({u"<a&b>\n\u00e9\U0001F600\"'", u"p"}, &r);
       },
       "<auth><user_id>&lt;a&amp;b&gt;&#x000A;&#x00E9;&#x01F600;\"'</user_id>"
       "<password>p</password></auth>"},
      {"get_new_messages, empty hostkey", "get_new_messages",
       [](Client& c) {
         std::optional<std::vector<Message>> m;
         int32_t n;
         return c.get_new_messages(kAuth, 42, u"", 30, &n, &m, &n, &n, &n);
       },
       kAuthXml + "<header_num>42</header_num><hostkey></hostkey><max>30</max>"},
      {"get_new_messages, null hostkey", "get_new_messages",
       [](Client& c) {
         std::optional<std::vector<Message>> m;
         int32_t n;
         return c.get_new_messages(kAuth, -1, std::nullopt, 1, &n, &m, &n, &n, &n);
       },
       kAuthXml + "<header_num>-1</header_num><hostkey xsi:nil=\"1\"/><max>1</max>"},
      {"get_auth_url", "get_auth_url",
       [](Client& c) { OptString u; return c.get_auth_url(kAuth, u"index", &u); },
       kAuthXml + "<type>index</type>"},
      {"get_message_url", "get_message_url",
       [message](Client& c) { OptString u; return c.get_message_url(kAuth, message, u"reply", &u); },
       kAuthXml + "<message><path>INBOX</path><uid>17</uid></message><type>reply</type>"},
      {"compose with nil path and uid", "get_message_url",
       [](Client& c) { OptString u; return c.get_message_url(kAuth, UIDSTR{}, u"compose", &u); },
       kAuthXml + "<message><path xsi:nil=\"1\"/><uid xsi:nil=\"1\"/></message>"
                  "<type>compose</type>"},
      {"get_generic_pref", "get_generic_pref",
       [](Client& c) { OptString r; return c.get_generic_pref(kAuth, u"no_trash", 0, &r); },
       kAuthXml + "<pref>no_trash</pref><default>0</default>"},
  };
}

// The calls that change the mailbox, and those about no single account.
std::vector<RequestCase> ActionRequestCases() {
  const UIDSTR two[] = {{u"INBOX", u"5"}, {u"Spam", u"6"}};
  const std::string uid5 = "<snp:UIDSTR><path>INBOX</path><uid>5</uid></snp:UIDSTR>";
  return {
      {"apply_action delete: arg nil", "apply_action",
       [two](Client& c) { return c.apply_action(kAuth, two, 1, u"delete", std::nullopt); },
       kAuthXml + "<messages xmlns:q1=\"QPTSoapNS\" soapenc:arrayType=\"q1:UIDSTR[1]\">" +
           uid5 + "</messages><action>delete</action><arg xsi:nil=\"1\"/>"},
      {"apply_action markSpam: arg empty, two messages", "apply_action",
       [two](Client& c) { return c.apply_action(kAuth, two, 2, u"markSpam", u""); },
       kAuthXml + "<messages xmlns:q1=\"QPTSoapNS\" soapenc:arrayType=\"q1:UIDSTR[2]\">" +
           uid5 + "<snp:UIDSTR><path>Spam</path><uid>6</uid></snp:UIDSTR></messages>"
                  "<action>markSpam</action><arg></arg>"},
      {"apply_action markRead and markRecallable: arg empty", "apply_action",
       [two](Client& c) {
         const int32_t a = c.apply_action(kAuth, two, 1, u"markRead", u"");
         return a < 0 ? a : c.apply_action(kAuth, two, 1, u"markRecallable", u"");
       },
       kAuthXml + "<messages xmlns:q1=\"QPTSoapNS\" soapenc:arrayType=\"q1:UIDSTR[1]\">" +
           uid5 + "</messages><action>markRecallable</action><arg></arg>"},
      {"apply_action without elements: nil array", "apply_action",
       [](Client& c) { return c.apply_action(kAuth, nullptr, 0, u"purge", std::nullopt); },
       kAuthXml + "<messages xsi:nil=\"1\"/><action>purge</action><arg xsi:nil=\"1\"/>"},
      {"get_watch_folders", "get_watch_folders",
       [](Client& c) {
         std::optional<std::vector<Folder>> f;
         int32_t n;
         return c.get_watch_folders(kAuth, u"K-1", &f, &n);
       },
       kAuthXml + "<hostkey>K-1</hostkey>"},
      {"set_folder_watch", "set_folder_watch",
       [](Client& c) { return c.set_folder_watch(kAuth, u"INBOX", 1, u""); },
       kAuthXml + "<path>INBOX</path><watch>1</watch><hostkey></hostkey>"},
      {"get_version", "get_version",
       [](Client& c) { int32_t v; return c.get_version(u"DudiderEzodoZuduza", &v); },
       "<client>DudiderEzodoZuduza</client>"},
      {"get_url without an account", "get_url",
       [](Client& c) { OptString u; return c.get_url({u"", u""}, u"help", u"3831", &u); },
       "<auth><user_id></user_id><password></password></auth><type>help</type><arg>3831</arg>"},
  };
}

// Makes the call against answers that satisfy it and checks what was sent.
void ExpectRequestSent(const RequestCase& c) {
  // The required outs of each operation; unknown elements would fail a call.
  const std::map<std::string, std::string> outs = {
      {"check_auth", "<result>x</result>"},
      {"get_generic_pref", "<result>x</result>"},
      {"get_new_messages",
       "<new_header_num>1</new_header_num><total_unread>0</total_unread><new_unread>0</new_unread>"},
      {"get_version", "<current_version>4</current_version>"},
  };
  Client client;
  const auto found = outs.find(c.operation);
  const std::string answer = Response(found == outs.end() ? "" : found->second);
  client.Client().Queue(200, answer);
  client.Client().Queue(200, answer);
  EXPECT_EQ(c.call(client), qp::kOk) << c.label << ": " << static_cast<int>(client.LastFailure());
  ASSERT_FALSE(client.Client().sent.empty()) << c.label;
  const auto& sent = client.Client().sent.back();
  const std::string op = c.operation;
  EXPECT_EQ(sent.body, ExpectedRequest(op, c.params)) << c.label;
  const std::string line = "SOAPAction: \"http://dev.quillpost.com/soap/public.php/" + op + "\"\r\n";
  EXPECT_EQ(sent.action_line, std::u16string(line.begin(), line.end())) << c.label;
}

TEST(SoapClient, SendsTheRequestOfEveryOperation) {
  for (const RequestCase& c : AccountRequestCases()) ExpectRequestSent(c);
  for (const RequestCase& c : ActionRequestCases()) ExpectRequestSent(c);
}

TEST(SoapClient, CopiesCheckAuthResultAsDecoded) {
  const std::vector<std::pair<std::string, OptString>> cases = {
      {"<result>active</result>", u"active"},
      {"<result>Active</result>", u"Active"},  // judging it is the caller's part
      {"<result xsi:nil=\"true\">active</result>", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [content, expected] : cases) {
    Client client;
    client.Client().Queue(200, Response(content));
    OptString result = u"untouched";
    EXPECT_EQ(client.check_auth(kAuth, &result), qp::kOk) << content;
    EXPECT_EQ(result, expected) << content;
  }
}

const char kTwoMessages[] =
    "<new_header_num>9</new_header_num><total_unread>5</total_unread>"
    "<new_unread>2</new_unread>"
    "<messages enc:arrayType=\"ns:Message[2]\">"
    "<item><uidstr><path>INBOX</path><uid>7</uid></uidstr><date>1700000000</date>"
    "<from_display>QW5uYQ==</from_display><subject>SMOpbGxv</subject><size>10</size>"
    "<priority>3</priority><has_attachment>true</has_attachment><is_flagged>0</is_flagged>"
    "<is_answered>false</is_answered><is_seen>false</is_seen><is_draft>false</is_draft>"
    "<is_forwarded>1</is_forwarded><header_num>8</header_num></item>"
    "<item><date>0</date><size>0</size><priority>0</priority><has_attachment>0</has_attachment>"
    "<is_flagged>0</is_flagged><is_answered>0</is_answered><is_seen>1</is_seen>"
    "<is_draft>0</is_draft><is_forwarded>0</is_forwarded><header_num>9</header_num></item>"
    "</messages>";

TEST(SoapClient, HandsOutNewMessagesAsDecoded) {
  Client client;
  client.Client().Queue(200, Response(kTwoMessages));
  int32_t header = -1, count = -1, total = -1, fresh = -1;
  std::optional<std::vector<Message>> messages;
  ASSERT_EQ(client.get_new_messages(kAuth, 3, u"K", 30, &header, &messages, &count, &total,
                                    &fresh),
            qp::kOk);
  EXPECT_EQ(header, 9);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(total, 5);
  EXPECT_EQ(fresh, 2);
  ASSERT_TRUE(messages);
  ASSERT_EQ(messages->size(), 2u);
  const Message& first = (*messages)[0];
  EXPECT_EQ(first.uidstr.path, u"INBOX");
  EXPECT_EQ(first.uidstr.uid, u"7");
  EXPECT_EQ(first.date, 1700000000);
  EXPECT_EQ(first.from_display, std::string("Anna"));
  EXPECT_EQ(first.subject, std::string("H\xC3\xA9llo"));
  EXPECT_EQ(first.from, std::nullopt);
  EXPECT_TRUE(first.has_attachment);
  EXPECT_TRUE(first.is_forwarded);
  EXPECT_FALSE(first.is_seen);
  EXPECT_EQ(first.header_num, 8);
  const Message& second = (*messages)[1];
  EXPECT_EQ(second.uidstr.path, std::nullopt);
  EXPECT_EQ(second.uidstr.uid, std::nullopt);
  EXPECT_TRUE(second.is_seen);
  EXPECT_TRUE(UsableMessageList(messages, count));

  // No messages element: a null list and a count of 0, still a success.
  client.Client().Queue(200, Response("<new_header_num>9</new_header_num>"
                                      "<total_unread>5</total_unread><new_unread>0</new_unread>"));
  ASSERT_EQ(client.get_new_messages(kAuth, 9, u"K", 30, &header, &messages, &count, &total,
                                    &fresh),
            qp::kOk);
  EXPECT_EQ(messages, std::nullopt);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(UsableMessageList(messages, count));
}

TEST(SoapClient, CallersRefuseACountWithoutItsMessages) {
  std::vector<Message> one(1);
  const std::vector<std::tuple<const char*, std::optional<std::vector<Message>>, int32_t, bool>>
      cases = {
          {"null list, count 0", std::nullopt, 0, true},
          {"null list, count 2", std::nullopt, 2, false},
          {"one message, count 1", one, 1, true},
          {"one message, count 2", one, 2, false},
          {"negative count", one, -1, false},
      };
  for (const auto& [label, list, count, usable] : cases) {
    EXPECT_EQ(UsableMessageList(list, count), usable) << label;
  }
}

TEST(SoapClient, LeavesOutputsUntouchedWhenACallFails) {
  struct Case {
    const char* label;
    int status;
    std::string body;
    bool sent;
    CallStage stage;
  };
  const std::vector<Case> cases = {
      {"send fails", 0, "", false, CallStage::kSend},
      {"404 page", 404, "<html><head><title>Not Found</title></head></html>", true,
       CallStage::kDecode},
      {"missing int result", 200,
       Response("<new_header_num>9</new_header_num><new_unread>0</new_unread>"), true,
       CallStage::kDecode},
      {"truncated", 200, Response(kTwoMessages).substr(0, 300), true, CallStage::kDecode},
      {"server fault", 500, ClientFault("Wrong password"), true, CallStage::kFault},
      {"status 500, no XML", 500, "Internal error", true, CallStage::kFault},
  };
  for (const Case& c : cases) {
    Client client;
    if (c.sent) client.Client().Queue(c.status, c.body);
    else client.Client().QueueSendFailure();
    int32_t header = -7, count = -7, total = -7, fresh = -7;
    std::optional<std::vector<Message>> messages = std::vector<Message>(3);
    EXPECT_LT(client.get_new_messages(kAuth, 3, u"K", 30, &header, &messages, &count, &total,
                                      &fresh),
              0)
        << c.label;
    EXPECT_EQ(client.LastFailure(), c.stage) << c.label;
    EXPECT_EQ(client.LastStatus(), c.status) << c.label;
    EXPECT_EQ(std::make_tuple(header, count, total, fresh), std::make_tuple(-7, -7, -7, -7))
        << c.label;
    ASSERT_TRUE(messages) << c.label;
    EXPECT_EQ(messages->size(), 3u) << c.label;
  }
}

TEST(SoapClient, KeepsTheFaultUntilTheNextCall) {
  Client client;
  client.Client().Queue(500, ClientFault("Wrong password &amp; address"));
  client.Client().Queue(500, "Internal error <<< not xml");
  client.Client().Queue(200, Response("<url>http://x/</url>"));
  OptString url = u"kept";
  EXPECT_LT(client.get_auth_url(kAuth, u"index", &url), 0);
  EXPECT_EQ(client.LastFault().code, kFaultClient);
  EXPECT_EQ(client.LastFault().faultcode, u"Client");
  EXPECT_EQ(client.LastFault().faultstring, u"Wrong password & address");
  EXPECT_EQ(client.Client().fault_parses, 1);

  EXPECT_LT(client.get_auth_url(kAuth, u"index", &url), 0);
  EXPECT_EQ(client.LastFault().code, kFaultNone);
  EXPECT_EQ(client.LastFault().faultstring, u"");
  EXPECT_EQ(url, u"kept");

  EXPECT_EQ(client.get_auth_url(kAuth, u"index", &url), qp::kOk);
  EXPECT_EQ(client.LastFault().faultstring, u"");
  EXPECT_EQ(client.LastFailure(), CallStage::kNone);
  EXPECT_EQ(url, u"http://x/");
  // One reader for the client's life; every call closes the request before.
  EXPECT_EQ(client.Client().reader_creations, 1);
  EXPECT_EQ(client.Client().begun_calls, 3);
}

TEST(SoapClient, AReaderThatCannotBeCreatedFailsBeforeSending) {
  Client client;
  client.Client().Queue(500, ClientFault("Wrong password"));
  int32_t version = -1;
  EXPECT_LT(client.get_version(u"x", &version), 0);
  ASSERT_EQ(client.LastFault().code, kFaultClient);
  client.Client().sent.clear();
  client.Client().FailReader(qp::kEOutOfMemory);
  client.Client().Queue(200, Response("<current_version>4</current_version>"));
  EXPECT_EQ(client.get_version(u"x", &version), qp::kEOutOfMemory);
  EXPECT_EQ(client.LastFailure(), CallStage::kReader);
  EXPECT_EQ(client.LastFault().code, kFaultNone);  // not the previous call's
  EXPECT_EQ(client.LastFault().faultstring, u"");
  EXPECT_TRUE(client.Client().sent.empty());
  EXPECT_EQ(version, -1);
  // The client stays usable.
  client.Client().FailReader(qp::kOk);
  EXPECT_EQ(client.get_version(u"x", &version), qp::kOk);
  EXPECT_EQ(version, 4);
}

TEST(SoapClient, DecodesFoldersAndScalarResults) {
  Client client;
  client.Client().Queue(
      200, Response("<folders enc:arrayType=\"ns:Folder[1]\"><f><path>INBOX</path>"
                    "<display_name>Inbox</display_name><unread>2</unread><total>9</total>"
                    "<is_system>true</is_system><is_watched>false</is_watched></f></folders>"));
  std::optional<std::vector<Folder>> folders;
  int32_t count = -1;
  ASSERT_EQ(client.get_watch_folders(kAuth, u"", &folders, &count), qp::kOk);
  EXPECT_EQ(count, 1);
  ASSERT_TRUE(folders);
  ASSERT_EQ(folders->size(), 1u);
  EXPECT_EQ((*folders)[0].display_name, u"Inbox");
  EXPECT_EQ((*folders)[0].total, 9);
  EXPECT_TRUE((*folders)[0].is_system);

  client.Client().Queue(200, Response("<folders enc:arrayType=\"ns:Folder[0]\"/>"));
  ASSERT_EQ(client.get_watch_folders(kAuth, u"", &folders, &count), qp::kOk);
  EXPECT_EQ(folders, std::nullopt);
  EXPECT_EQ(count, 0);

  client.Client().Queue(200, Response("<result>1</result>"));
  OptString pref;
  ASSERT_EQ(client.get_generic_pref(kAuth, u"no_trash", 0, &pref), qp::kOk);
  EXPECT_EQ(pref, u"1");
}

}  // namespace
}  // namespace QPTSoap
