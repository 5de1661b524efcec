#include "tools/qpcall/qpcall_run.h"

#include <gtest/gtest.h>

#include "tests/support/fake_soap_client.h"

namespace qpcall {
namespace {

using Client = QPTSoap::CQPTSoapT<QPTSoap::FakeSoapClient>;

std::string Response(const std::string& content) {
  return "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\""
         " xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\"><e:Body><r>" +
         content + "</r></e:Body></e:Envelope>";
}

Command Parse(std::vector<std::u16string> args) {
  args.insert(args.begin(), u"http://127.0.0.1:1/soap/public.php?version=1");
  Command command;
  std::string error;
  EXPECT_TRUE(ParseArguments(args, command, error)) << error;
  return command;
}

const std::u16string kUser = u"auth.user_id=a@b.c";
const std::u16string kPass = u"auth.password=pw";

TEST(QpcallRun, PrintsOutValuesOrTheFailure) {
  struct Case {
    const char* label;
    std::vector<std::u16string> args;
    int status;
    std::string body;
    bool ok;
    std::string json;
  };
  const std::vector<Case> cases = {
      {"string result", {u"check_auth", kUser, kPass}, 200,
       Response("<result>active</result>"), true, "{\"result\":\"active\"}"},
      {"nil result", {u"check_auth", kUser, kPass}, 200,
       Response("<result xsi:nil=\"true\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"/>"),
       true, "{\"result\":null}"},
      {"escapes", {u"get_url", kUser, kPass, u"type=help", u"arg=1"}, 200,
       Response("<url>a\"\\\xC3\xA9\xF0\x9F\x98\x80\n</url>"), true,
       "{\"url\":\"a\\\"\\\\\xC3\xA9\xF0\x9F\x98\x80\\n\"}"},
      {"no outs", {u"set_folder_watch", kUser, kPass, u"path=INBOX", u"watch=1", u"hostkey="},
       200, Response(""), true, "{}"},
      {"int", {u"get_version", u"client=x"}, 200,
       Response("<current_version>4</current_version>"), true, "{\"current_version\":4}"},
      {"records and byte blocks",
       {u"get_new_messages", kUser, kPass, u"header_num=0", u"hostkey=", u"max=5"}, 200,
       Response("<new_header_num>2</new_header_num><total_unread>1</total_unread>"
                "<new_unread>1</new_unread><messages enc:arrayType=\"x:Message[1]\"><m>"
                "<uidstr><path>INBOX</path><uid>1</uid></uidstr><date>3</date>"
                "<subject>SMOpbGxv</subject><body>/w==</body><size>4</size><priority>0</priority>"
                "<has_attachment>0</has_attachment><is_flagged>0</is_flagged>"
                "<is_answered>0</is_answered><is_seen>0</is_seen><is_draft>0</is_draft>"
                "<is_forwarded>0</is_forwarded><header_num>2</header_num></m></messages>"),
       true,
       "{\"new_header_num\":2,\"messages\":[{\"uidstr\":{\"path\":\"INBOX\",\"uid\":\"1\"},"
       "\"date\":3,\"from\":null,\"from_display\":null,\"from_email\":null,"
       "\"subject\":\"H\xC3\xA9llo\",\"body\":{\"base64\":\"/w==\"},\"size\":4,\"priority\":0,"
       "\"has_attachment\":false,\"is_flagged\":false,\"is_answered\":false,\"is_seen\":false,"
       "\"is_draft\":false,\"is_forwarded\":false,\"header_num\":2}],"
       "\"__messages_nSizeIs\":1,\"total_unread\":1,\"new_unread\":1}"},
      {"null array", {u"get_watch_folders", kUser, kPass, u"hostkey="}, 200, Response(""),
       true, "{\"folders\":null,\"__folders_nSizeIs\":0}"},
      {"fault", {u"check_auth", kUser, kPass}, 500,
       "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><e:Fault>"
       "<faultcode>e:Client</faultcode><faultstring>Wrong password</faultstring>"
       "</e:Fault></e:Body></e:Envelope>",
       false,
       "{\"fault\":{\"code\":300,\"faultcode\":\"Client\",\"faultstring\":\"Wrong password\","
       "\"faultactor\":\"\",\"detail\":\"\"},"
       "\"error\":{\"hr\":\"0x80004005\",\"stage\":\"fault\",\"status\":500}}"},
      {"404 page", {u"check_auth", kUser, kPass}, 404, "<html><body>no</body></html>", false,
       "{\"error\":{\"hr\":\"0x80004005\",\"stage\":\"decode\",\"status\":404}}"},
  };
  for (const Case& c : cases) {
    Client client;
    client.Client().Queue(c.status, c.body);
    const CallResult result = RunCall(client, Parse(c.args));
    EXPECT_EQ(qp::Succeeded(result.code), c.ok) << c.label;
    EXPECT_EQ(result.json, c.json) << c.label;
  }
}

TEST(QpcallRun, PassesArraysAndNilThroughTheClient) {
  Client client;
  client.Client().Queue(200, Response(""));
  const CallResult result =
      RunCall(client, Parse({u"apply_action", kUser, kPass, u"messages[0].path=INBOX",
                             u"messages[0].uid=5", u"action=delete", u"arg:nil"}));
  EXPECT_EQ(result.code, qp::kOk);
  ASSERT_EQ(client.Client().sent.size(), 1u);
  const std::string& body = client.Client().sent[0].body;
  EXPECT_NE(body.find("<messages xmlns:q1=\"QPTSoapNS\" soapenc:arrayType=\"q1:UIDSTR[1]\">"
                      "<snp:UIDSTR><path>INBOX</path><uid>5</uid></snp:UIDSTR></messages>"
                      "<action>delete</action><arg xsi:nil=\"1\"/>"),
            std::string::npos)
      << body;

  client.Client().Queue(200, Response(""));
  RunCall(client, Parse({u"apply_action", kUser, kPass, u"messages:nil", u"action=purge",
                         u"arg:nil"}));
  EXPECT_NE(client.Client().sent[1].body.find("<messages xsi:nil=\"1\"/>"), std::string::npos);
}

}  // namespace
}  // namespace qpcall
