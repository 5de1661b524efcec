#include "notifier/service/soap_records.h"

#include <gtest/gtest.h>

namespace QPTSoap {
namespace {

TEST(SoapRecords, RoundTripThroughValues) {
  QPTSoapNS::Message m;
  m.uidstr = {u"INBOX", std::nullopt};
  m.date = -5;
  m.from = std::string("f");
  m.subject = std::string("");
  m.size = 7;
  m.priority = 2;
  m.is_seen = true;
  m.is_forwarded = true;
  m.header_num = 99;
  QPTSoapNS::Message back;
  ASSERT_TRUE(FromValue(ToValue(m), back));
  EXPECT_EQ(back.uidstr.path, u"INBOX");
  EXPECT_EQ(back.uidstr.uid, std::nullopt);
  EXPECT_EQ(back.date, -5);
  EXPECT_EQ(back.from, std::string("f"));
  EXPECT_EQ(back.from_display, std::nullopt);
  EXPECT_EQ(back.subject, std::string(""));
  EXPECT_EQ(std::make_tuple(back.size, back.priority, back.header_num), std::make_tuple(7, 2, 99));
  EXPECT_EQ(std::make_tuple(back.has_attachment, back.is_seen, back.is_forwarded),
            std::make_tuple(false, true, true));

  const QPTSoapNS::Folder f{u"INBOX", u"Inbox", 3, 10, true, false};
  QPTSoapNS::Folder fb;
  ASSERT_TRUE(FromValue(ToValue(f), fb));
  EXPECT_EQ(fb.display_name, u"Inbox");
  EXPECT_EQ(std::make_tuple(fb.unread, fb.total, fb.is_system, fb.is_watched),
            std::make_tuple(3, 10, true, false));

  const QPTSoapNS::auth a{u"me", u""};
  QPTSoapNS::auth ab;
  ASSERT_TRUE(FromValue(ToValue(a), ab));
  EXPECT_EQ(ab.user_id, u"me");
  EXPECT_EQ(ab.password, u"");
}

TEST(SoapRecords, RefuseValuesOfAnotherShape) {
  QPTSoapNS::UIDSTR kept{u"p", u"u"};
  const std::vector<std::pair<const char*, Value>> cases = {
      {"a string", Value::String(u"x")},
      {"one field short", Value::Record({Value::String(u"a")})},
      {"an int field", Value::Record({Value::String(u"a"), Value::Int(1)})},
  };
  for (const auto& [label, value] : cases) {
    EXPECT_FALSE(FromValue(value, kept)) << label;
    EXPECT_EQ(kept.path, u"p") << label;
  }
  QPTSoapNS::Folder folder;
  EXPECT_FALSE(FromValue(ToValue(QPTSoapNS::UIDSTR{}), folder));
}

TEST(SoapRecords, ZeroedParametersFollowTheTable) {
  const auto& op = Operation(kGetNewMessages);
  const std::vector<Value> zero = ZeroedParameters(op);
  ASSERT_EQ(zero.size(), op.entries.size());
  const Value& auth = zero[EntryIndex(op, "auth")];
  EXPECT_EQ(auth.type, XsdType::kRecord);
  ASSERT_EQ(auth.fields.size(), 2u);
  EXPECT_EQ(auth.fields[1].text, std::nullopt);
  EXPECT_EQ(zero[EntryIndex(op, "messages")].items, std::nullopt);
  EXPECT_EQ(zero[EntryIndex(op, "max")].type, XsdType::kInt);
  EXPECT_EQ(EntryIndex(op, "nothing"), -1);
  // In values: auth, header_num, hostkey, max; no outs, no companion count.
  EXPECT_EQ(InValues(op, zero).size(), 4u);
  EXPECT_EQ(InValues(Operation(kApplyAction), ZeroedParameters(Operation(kApplyAction))).size(),
            4u);
}

TEST(SoapRecords, WipeOverwritesBeforeReleasing) {
  // Clearing keeps a string's storage, so the old bytes stay readable here.
  std::string buffer = "<password>secret</password>";
  const char* data = buffer.data();
  const size_t size = buffer.size();
  Wipe(buffer);
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(std::string(data, size), std::string(size, '\0'));

  std::vector<Value> values = {ToValue(QPTSoapNS::auth{u"user", u"secret"})};
  Wipe(values);
  EXPECT_TRUE(values.empty());
}

}  // namespace
}  // namespace QPTSoap
