#include "tools/qpcall/qpcall_args.h"

#include <gtest/gtest.h>

#include "notifier/service/soap_encoder.h"
#include "notifier/service/soap_records.h"

namespace qpcall {
namespace {

const std::u16string kEndpoint = u"http://127.0.0.1:9/soap/public.php?version=1";

std::vector<std::u16string> Args(std::vector<std::u16string> tail) {
  tail.insert(tail.begin(), kEndpoint);
  return tail;
}

// The request body the parsed in values encode to, between the operation's tags.
std::string Params(const Command& command) {
  const auto& op = QPTSoap::Operation(command.operation);
  std::string body;
  EXPECT_TRUE(QPTSoap::EncodeRequest(op, QPTSoap::InValues(op, command.parameters), body));
  const std::string open = std::string("<snp:") + op.name + " xmlns:snp=\"QPTSoapNS\">";
  const size_t start = body.find(open);
  const size_t end = body.rfind(std::string("</snp:") + op.name + ">");
  if (start == std::string::npos || end == std::string::npos) return "?" + body;
  return body.substr(start + open.size(), end - start - open.size());
}

const std::u16string kUser = u"auth.user_id=a@b.c";
const std::u16string kPass = u"auth.password=pw";
const std::string kAuthXml = "<auth><user_id>a@b.c</user_id><password>pw</password></auth>";

TEST(QpcallArgs, ExpressesEveryCalledOperation) {
  struct Case {
    std::vector<std::u16string> args;
    std::string params;
  };
  const std::vector<Case> cases = {
      {{u"check_auth", kUser, u"auth.password="},
       "<auth><user_id>a@b.c</user_id><password></password></auth>"},
      {{u"get_new_messages", kPass, kUser, u"header_num=-12", u"hostkey:nil", u"max=30"},
       kAuthXml + "<header_num>-12</header_num><hostkey xsi:nil=\"1\"/><max>30</max>"},
      {{u"get_auth_url", kUser, kPass, u"type=index"}, kAuthXml + "<type>index</type>"},
      {{u"get_message_url", kUser, kPass, u"message.path:nil", u"message.uid:nil",
        u"type=compose"},
       kAuthXml + "<message><path xsi:nil=\"1\"/><uid xsi:nil=\"1\"/></message>"
                  "<type>compose</type>"},
      {{u"get_generic_pref", kUser, kPass, u"pref=no_trash", u"default=0"},
       kAuthXml + "<pref>no_trash</pref><default>0</default>"},
      {{u"apply_action", kUser, kPass, u"messages[1].uid=6", u"messages[0].path=INBOX",
        u"messages[0].uid=5", u"messages[1].path=a=b", u"action=delete", u"arg:nil"},
       kAuthXml + "<messages xmlns:q1=\"QPTSoapNS\" soapenc:arrayType=\"q1:UIDSTR[2]\">"
                  "<snp:UIDSTR><path>INBOX</path><uid>5</uid></snp:UIDSTR>"
                  "<snp:UIDSTR><path>a=b</path><uid>6</uid></snp:UIDSTR></messages>"
                  "<action>delete</action><arg xsi:nil=\"1\"/>"},
      {{u"apply_action", kUser, kPass, u"messages:empty", u"action=markRead", u"arg="},
       kAuthXml + "<messages xmlns:q1=\"QPTSoapNS\" soapenc:arrayType=\"q1:UIDSTR[0]\">"
                  "</messages><action>markRead</action><arg></arg>"},
      {{u"apply_action", kUser, kPass, u"messages:nil", u"action=purge", u"arg:nil"},
       kAuthXml + "<messages xsi:nil=\"1\"/><action>purge</action><arg xsi:nil=\"1\"/>"},
      {{u"get_watch_folders", kUser, kPass, u"hostkey="}, kAuthXml + "<hostkey></hostkey>"},
      {{u"set_folder_watch", kUser, kPass, u"path=INBOX", u"watch=1", u"hostkey=K"},
       kAuthXml + "<path>INBOX</path><watch>1</watch><hostkey>K</hostkey>"},
      {{u"get_version", u"client=DudiderEzodoZuduza"}, "<client>DudiderEzodoZuduza</client>"},
      {{u"get_url", u"auth.user_id=", u"auth.password=", u"type=help", u"arg=3831"},
       "<auth><user_id></user_id><password></password></auth><type>help</type><arg>3831</arg>"},
      {{u"get_auth_url", u"auth.user_id=<&\n\u00e9\U0001F600", kPass, u"type=index"},
       "<auth><user_id>&lt;&amp;&#x000A;&#x00E9;&#x01F600;</user_id><password>pw</password>"
       "</auth><type>index</type>"},
  };
  for (const Case& c : cases) {
    Command command;
    std::string error;
    const auto args = Args(c.args);
    ASSERT_TRUE(ParseArguments(args, command, error)) << c.params << ": " << error;
    EXPECT_EQ(command.endpoint, kEndpoint);
    EXPECT_TRUE(IsCalledOperation(command.operation));
    EXPECT_EQ(Params(command), c.params);
  }
}

TEST(QpcallArgs, SetsTheCompanionCountFromTheElements) {
  Command command;
  std::string error;
  ASSERT_TRUE(ParseArguments(Args({u"apply_action", kUser, kPass, u"messages[2].path=p",
                                   u"messages[2].uid=u", u"messages[0].path=p",
                                   u"messages[0].uid=u", u"messages[1].path=p",
                                   u"messages[1].uid=u", u"action=delete", u"arg:nil"}),
                             command, error))
      << error;
  const auto& op = QPTSoap::Operation(command.operation);
  EXPECT_EQ(command.parameters[QPTSoap::EntryIndex(op, "__messages_nSizeIs")].number, 3);
}

TEST(QpcallArgs, ReadsOptions) {
  Command command;
  std::string error;
  ASSERT_TRUE(ParseArguments({u"--repeat", u"2", u"--timeout", u"1500", u"--proxy", u"p:8080",
                              kEndpoint, u"get_version", u"client=x"},
                             command, error))
      << error;
  EXPECT_EQ(command.repeat, 2);
  EXPECT_EQ(command.timeout_ms, 1500u);
  EXPECT_EQ(command.proxy, u"p:8080");
}

TEST(QpcallArgs, RefusesWhatItCannotUse) {
  const std::vector<std::pair<std::vector<std::u16string>, const char*>> cases = {
      {{}, "missing ENDPOINT and OPERATION"},
      {{kEndpoint}, "missing ENDPOINT and OPERATION"},
      {{kEndpoint, u"get_folders"}, "unknown operation get_folders"},
      {{kEndpoint, u"Check_auth", kUser, kPass}, "unknown operation Check_auth"},
      {{u"--repeat", u"0", kEndpoint, u"get_version", u"client=x"}, "--repeat takes"},
      {{u"--repeat", u"101", kEndpoint, u"get_version", u"client=x"}, "--repeat takes"},
      {{u"--timeout", u"-1", kEndpoint, u"get_version", u"client=x"}, "--timeout takes"},
      {{u"--verbose", kEndpoint, u"get_version", u"client=x"}, "unknown option --verbose"},
      {{u"--repeat"}, "--repeat needs a value"},
      {Args({u"check_auth", kUser}), "missing auth.password"},
      {Args({u"check_auth", kUser, kPass, kPass}), "auth.password is given twice"},
      {Args({u"check_auth", kUser, kPass, u"result=x"}), "check_auth has no in value result"},
      {Args({u"check_auth", u"auth=x"}), "auth is a record"},
      {Args({u"check_auth", u"auth:nil"}), "auth is a record and cannot be nil"},
      {Args({u"check_auth", u"auth.name=x"}), "auth has no field name"},
      {Args({u"check_auth", u"auth[0].user_id=x"}), "auth is not an array"},
      {Args({u"get_version"}), "missing client"},
      {Args({u"get_version", u"client"}), "cannot read argument \"client\""},
      {Args({u"get_version", u"client:null"}), "expected =text, :nil or :empty"},
      {Args({u"get_version", u"=x"}), "must start with a parameter name"},
      {Args({u"get_version", u"client:empty"}), "client is not an array"},
      {Args({u"get_version", u"client.x=1"}), "client is not a record"},
      {Args({u"get_generic_pref", kUser, kPass, u"pref=a", u"default=x"}),
       "default takes a 32-bit decimal int"},
      {Args({u"get_generic_pref", kUser, kPass, u"pref=a", u"default=2147483648"}),
       "default takes"},
      {Args({u"get_generic_pref", kUser, kPass, u"pref=a", u"default:nil"}), "default takes"},
      {Args({u"apply_action", kUser, kPass, u"action=a", u"arg="}), "missing messages"},
      {Args({u"apply_action", kUser, kPass, u"messages[1].path=p", u"messages[1].uid=u",
             u"action=a", u"arg="}),
       "missing messages[0].path"},
      {Args({u"apply_action", kUser, kPass, u"messages[0].path=p", u"action=a", u"arg="}),
       "missing messages[0].uid"},
      {Args({u"apply_action", u"messages=INBOX/5"}), "give the elements of messages"},
      {Args({u"apply_action", u"messages:nil", u"messages[0].uid=1"}), "messages is given twice"},
      {Args({u"apply_action", u"messages[0].uid=1", u"messages:empty"}),
       "messages is given twice"},
      {Args({u"apply_action", u"messages[0]:nil"}), "messages[0] is a record"},
      {Args({u"apply_action", u"messages[1000].uid=1"}), "bad index"},
      {Args({u"apply_action", u"messages[x].uid=1"}), "bad index"},
      {Args({u"apply_action", u"messages[0.uid=1"}), "bad index"},
      {Args({u"apply_action", u"messages[0]."}), "missing field name"},
      // What the caller typed is quoted, its control characters escaped.
      {Args({u"get_version", u"cli\x1b[2Jent\n"}), "cannot read argument \"cli\\x1b[2Jent\\n\""},
      {Args({u"get_\rversion"}), "unknown operation get_\\rversion"},
  };
  for (const auto& [args, expected] : cases) {
    Command command;
    std::string error;
    EXPECT_FALSE(ParseArguments(args, command, error)) << expected;
    EXPECT_NE(error.find(expected), std::string::npos) << "got: " << error;
    for (char c : error) EXPECT_FALSE(c >= 0 && c < 0x20) << "a control character in: " << error;
  }
}

}  // namespace
}  // namespace qpcall
