#include "notifier/service/soap_encoder.h"

#include <gtest/gtest.h>

#include "tests/support/soap_request.h"

namespace QPTSoap {
namespace {

Value S(const char16_t* s) { return Value::String(std::u16string(s)); }
Value Null() { return Value::String(std::nullopt); }
Value Auth(const char16_t* user, const char16_t* pass) {
  return Value::Record({S(user), S(pass)});
}
Value Uid(Value path, Value uid) { return Value::Record({path, uid}); }

const std::string kAuthAB = "<auth><user_id>a@b.c</user_id><password>pw</password></auth>";

struct Case {
  const char* label;
  int op;
  std::vector<Value> in;
  std::string body;  // between the operation's start and end tags
};

TEST(SoapEncoder, WritesExactRequestBytes) {
  const std::vector<Case> cases = {
      {"check_auth", kCheckAuth, {Auth(u"a@b.c", u"pw")}, kAuthAB},
      {"empty password is empty, not nil", kCheckAuth, {Auth(u"a@b.c", u"")},
       "<auth><user_id>a@b.c</user_id><password></password></auth>"},
      {"get_new_messages", kGetNewMessages,
       {Auth(u"a@b.c", u"pw"), Value::Int(-42), S(u"K1"), Value::Int(30)},
       kAuthAB + "<header_num>-42</header_num><hostkey>K1</hostkey><max>30</max>"},
      {"null hostkey is nil", kGetNewMessages,
       {Auth(u"a@b.c", u"pw"), Value::Int(0), Null(), Value::Int(1)},
       kAuthAB + "<header_num>0</header_num><hostkey xsi:nil=\"1\"/><max>1</max>"},
      {"empty hostkey is an empty element", kGetWatchFolders,
       {Auth(u"a@b.c", u"pw"), S(u"")}, kAuthAB + "<hostkey></hostkey>"},
      {"get_auth_url", kGetAuthUrl, {Auth(u"a@b.c", u"pw"), S(u"index")},
       kAuthAB + "<type>index</type>"},
      {"get_message_url", kGetMessageUrl,
       {Auth(u"a@b.c", u"pw"), Uid(S(u"INBOX"), S(u"17")), S(u"view")},
       kAuthAB + "<message><path>INBOX</path><uid>17</uid></message><type>view</type>"},
      {"compose with nil path and uid", kGetMessageUrl,
       {Auth(u"a@b.c", u"pw"), Uid(Null(), Null()), S(u"compose")},
       kAuthAB + "<message><path xsi:nil=\"1\"/><uid xsi:nil=\"1\"/></message>"
                 "<type>compose</type>"},
      {"get_generic_pref", kGetGenericPref,
       {Auth(u"a@b.c", u"pw"), S(u"no_trash"), Value::Int(0)},
       kAuthAB + "<pref>no_trash</pref><default>0</default>"},
      {"apply_action delete, arg nil", kApplyAction,
       {Auth(u"a@b.c", u"pw"),
        Value::Array(std::vector<Value>{Uid(S(u"INBOX"), S(u"5"))}), S(u"delete"),
        Null()},
       kAuthAB + "<messages xmlns:q1=\"QPTSoapNS\" soapenc:arrayType=\"q1:UIDSTR[1]\">"
                 "<snp:UIDSTR><path>INBOX</path><uid>5</uid></snp:UIDSTR></messages>"
                 "<action>delete</action><arg xsi:nil=\"1\"/>"},
      {"apply_action markRead, arg empty", kApplyAction,
       {Auth(u"a@b.c", u"pw"),
        Value::Array(std::vector<Value>{Uid(S(u"INBOX"), S(u"5")),
                                        Uid(S(u"Spam"), S(u"6"))}),
        S(u"markRead"), S(u"")},
       kAuthAB + "<messages xmlns:q1=\"QPTSoapNS\" soapenc:arrayType=\"q1:UIDSTR[2]\">"
                 "<snp:UIDSTR><path>INBOX</path><uid>5</uid></snp:UIDSTR>"
                 "<snp:UIDSTR><path>Spam</path><uid>6</uid></snp:UIDSTR></messages>"
                 "<action>markRead</action><arg></arg>"},
      {"set_folder_watch", kSetFolderWatch,
       {Auth(u"a@b.c", u"pw"), S(u"INBOX"), Value::Int(1), S(u"K")},
       kAuthAB + "<path>INBOX</path><watch>1</watch><hostkey>K</hostkey>"},
      {"get_version", kGetVersion, {S(u"DudiderEzodoZuduza")},
       "<client>DudiderEzodoZuduza</client>"},
      {"get_url with empty auth", kGetUrl,
       {Auth(u"", u""), S(u"help"), S(u"3831")},
       "<auth><user_id></user_id><password></password></auth>"
       "<type>help</type><arg>3831</arg>"},
      {"escaping", kCheckAuth,
       {Auth(u"<&>\"'\n\t\u00e9\U0001F600", u"\xD800x\xDC00")},
       "<auth><user_id>&lt;&amp;&gt;\"'&#x000A;&#x0009;&#x00E9;&#x01F600;</user_id>"
       "<password>&#xD800;x&#xDC00;</password></auth>"},
      {"string array with nil item", kGetFolders,
       {Auth(u"a@b.c", u"pw"), Value::Array(std::vector<Value>{S(u"A"), Null()}),
        S(u"K")},
       kAuthAB + "<paths soapenc:arrayType=\"xsd:string[2]\"><string>A</string>"
                 "<string xsi:nil=\"1\"></string></paths><hostkey>K</hostkey>"},
      {"null array is nil", kGetMessages, {Auth(u"a@b.c", u"pw"), Value::Array(std::nullopt)},
       kAuthAB + "<messages xsi:nil=\"1\"/>"},
      {"generate_hostkey has no in values", kGenerateHostkey, {}, ""},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(EncodeRequest(Operation(c.op), c.in, out)) << c.label;
    const std::string name = Operation(c.op).name;
    EXPECT_EQ(out, ExpectedRequest(name, c.body))
        << c.label;
  }
}

TEST(SoapEncoder, RefusesValuesThatDoNotFitAndLeavesBufferAlone) {
  const std::vector<std::pair<const char*, std::vector<Value>>> cases = {
      {"too few", {}},
      {"too many", {Auth(u"a", u"b"), S(u"x")}},
      {"int for a record", {Value::Int(1)}},
      {"record with one field", {Value::Record({S(u"a")})}},
  };
  for (const auto& [label, in] : cases) {
    std::string out = "kept";
    EXPECT_FALSE(EncodeRequest(Operation(kCheckAuth), in, out)) << label;
    EXPECT_EQ(out, "kept") << label;
  }
}

TEST(SoapEncoder, EnvelopePartsHaveTheirFixedLengths) {
  // Envelope and Body start tags, the operation's tags, the two end tags.
  EXPECT_EQ(ExpectedRequest("x", "").size(), 227u + 74u + 29u + 8u + 28u);
}

TEST(SoapDescription, OperationsKeepTheirIndexOrder) {
  const char* names[kOperationCount] = {
      "get_url", "set_folder_watch", "get_new_messages_count", "get_all_folders",
      "get_messages", "get_version", "set_generic_pref", "apply_action",
      "get_watch_folders", "get_message_url", "get_folders", "get_generic_pref",
      "get_auth_url", "generate_hostkey", "get_new_messages", "check_auth"};
  for (int i = 0; i < kOperationCount; ++i) {
    EXPECT_STREQ(Operation(i).name, names[i]) << i;
    for (const Entry& e : Operation(i).entries) {
      if (!e.array) continue;
      ASSERT_GE(e.count_index, 0) << names[i];
      const Entry& count = Operation(i).entries.at(e.count_index);
      EXPECT_EQ(std::string(count.name), std::string("__") + e.name + "_nSizeIs")
          << names[i];
      EXPECT_EQ(count.type, XsdType::kInt) << names[i];
    }
  }
}

}  // namespace
}  // namespace QPTSoap
