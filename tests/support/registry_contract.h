// What every registry port answers alike, as one typed test suite: the
// in-memory registry runs it natively and the system's registry under Wine,
// so the tests that use the in-memory one can trust it.
//
// `Environment` has a member `port` (a qp::RegistryPort) and `Clear()`, which
// removes kContractScratch below every root.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/registry.h"

namespace qp {

inline constexpr char16_t kContractScratch[] = u"Software\\Vantrell\\QPTN\\TestScratch";

template <typename Environment>
class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override { env_.Clear(); }
  void TearDown() override { env_.Clear(); }

  RegistryPort& Port() { return env_.port; }
  static std::u16string Below(const char16_t* tail) {
    return std::u16string(kContractScratch) + u"\\" + tail;
  }
  // The bytes of a value, or the status when it cannot be read.
  std::string Read(RegistryKey& key, const char16_t* name, RegType* type = nullptr) {
    uint32_t size = 0;
    RegStatus status = key.QueryValue(name, type, nullptr, size);
    if (!status.Ok()) return "status " + std::to_string(status.Code());
    std::string bytes(size, '\0');
    status = key.QueryValue(name, type, bytes.data(), size);
    if (!status.Ok()) return "status " + std::to_string(status.Code());
    bytes.resize(size);
    return bytes;
  }

  Environment env_;
};

TYPED_TEST_SUITE_P(RegistryContract);

TYPED_TEST_P(RegistryContract, ValuesRoundTripWithTheirTypeAndSize) {
  RegistryPort& port = this->Port();
  const std::u16string nested = this->Below(u"a\\b");
  OpenedKey opened = port.CreateKey(RegistryRoot::kCurrentUser, nested, RegistryAccess::kAll);
  ASSERT_TRUE(opened.status.Ok()) << opened.status.Code();
  RegistryKey& key = *opened.key;
  const uint32_t number = 0x12345678;
  EXPECT_TRUE(key.SetValue(u"n", RegType::kDword, &number, 4).Ok());
  EXPECT_TRUE(key.SetValue(nullptr, RegType::kString, u"dflt", 10).Ok());
  uint32_t size = 0;
  RegType type = RegType::kNone;
  EXPECT_TRUE(key.QueryValue(nullptr, &type, nullptr, size).Ok());
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(type, RegType::kString);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(key.QueryValue(nullptr, nullptr, small, size).Code(), RegStatus::kMoreData)
      << "a short buffer must fail";
  EXPECT_EQ(size, 10u) << "and still say how much is needed";
  uint32_t read = 0;
  size = 4;
  EXPECT_TRUE(key.QueryValue(u"N", &type, &read, size).Ok()) << "names ignore case";
  EXPECT_EQ(read, number);
  EXPECT_EQ(type, RegType::kDword);
  EXPECT_TRUE(key.DeleteValue(u"n").Ok());
  EXPECT_EQ(key.QueryValue(u"n", nullptr, nullptr, size).Code(), RegStatus::kFileNotFound);
  EXPECT_EQ(key.DeleteValue(u"n").Code(), RegStatus::kFileNotFound);
  opened.key.reset();

  EXPECT_EQ(port.DeleteKey(RegistryRoot::kCurrentUser, this->Below(u"A")).Code(),
            RegStatus::kAccessDenied)
      << "a key with a subkey stays";
  EXPECT_TRUE(port.DeleteKey(RegistryRoot::kCurrentUser, nested).Ok());
  EXPECT_TRUE(port.OpenKey(RegistryRoot::kCurrentUser, this->Below(u"a"),
                           RegistryAccess::kQueryValues).status.Ok());
  EXPECT_EQ(port.DeleteKey(RegistryRoot::kCurrentUser, nested).Code(), RegStatus::kFileNotFound);
}

TYPED_TEST_P(RegistryContract, StringKindsComeBackWithTheirTypes) {
  struct Case {
    const char* what;
    RegType type;
    std::u16string text;
  };
  const Case cases[] = {
      // Strings with their terminators, as the product writes them: the
      // system may add one to a string written without.
      {"string", RegType::kString, std::u16string(u"staging.quillpost.com\0", 22)},
      {"expandable string", RegType::kExpandString, std::u16string(u"%SystemRoot%\\x\0", 15)},
      {"string list", RegType::kMultiString, std::u16string(u"a.example\0b.example\0\0", 21)},
      {"bytes", RegType::kBinary, std::u16string(u"\x0102\xFFFE", 2)},
  };
  OpenedKey opened =
      this->Port().CreateKey(RegistryRoot::kCurrentUser, kContractScratch, RegistryAccess::kAll);
  ASSERT_TRUE(opened.status.Ok());
  for (const Case& c : cases) {
    const uint32_t bytes = static_cast<uint32_t>(c.text.size() * 2);
    ASSERT_TRUE(opened.key->SetValue(u"v", c.type, c.text.data(), bytes).Ok()) << c.what;
    RegType type = RegType::kNone;
    const std::string read = this->Read(*opened.key, u"v", &type);
    EXPECT_EQ(type, c.type) << c.what;
    ASSERT_EQ(read.size(), bytes) << c.what << ": " << read;
    EXPECT_EQ(std::memcmp(read.data(), c.text.data(), bytes), 0) << c.what;
  }
}

TYPED_TEST_P(RegistryContract, OpenFindsOnlyKeysThatExistBelowThatRoot) {
  RegistryPort& port = this->Port();
  OpenedKey missing =
      port.OpenKey(RegistryRoot::kCurrentUser, kContractScratch, RegistryAccess::kQueryValues);
  EXPECT_EQ(missing.status.Code(), RegStatus::kFileNotFound);
  EXPECT_EQ(missing.key, nullptr);
  ASSERT_TRUE(
      port.CreateKey(RegistryRoot::kCurrentUser, kContractScratch, RegistryAccess::kAll).status.Ok());
  EXPECT_TRUE(port.OpenKey(RegistryRoot::kCurrentUser, kContractScratch,
                           RegistryAccess::kQueryValues).status.Ok());
  for (RegistryRoot other : {RegistryRoot::kLocalMachine, RegistryRoot::kClassesRoot}) {
    EXPECT_EQ(port.OpenKey(other, kContractScratch, RegistryAccess::kQueryValues).status.Code(),
              RegStatus::kFileNotFound)
        << "root " << static_cast<int>(other);
  }
}

TYPED_TEST_P(RegistryContract, AKeyAllowsOnlyWhatItWasOpenedFor) {
  RegistryPort& port = this->Port();
  const uint32_t one = 1;
  {
    OpenedKey all = port.CreateKey(RegistryRoot::kLocalMachine, kContractScratch,
                                   RegistryAccess::kAll);
    ASSERT_TRUE(all.status.Ok()) << all.status.Code();
    ASSERT_TRUE(all.key->SetValue(u"v", RegType::kDword, &one, 4).Ok());
  }
  OpenedKey reader =
      port.OpenKey(RegistryRoot::kLocalMachine, kContractScratch, RegistryAccess::kQueryValues);
  ASSERT_TRUE(reader.status.Ok());
  EXPECT_EQ(this->Read(*reader.key, u"v"), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(reader.key->SetValue(u"v", RegType::kDword, &one, 4).Code(), RegStatus::kAccessDenied);
  EXPECT_EQ(reader.key->DeleteValue(u"v").Code(), RegStatus::kAccessDenied);

  OpenedKey writer =
      port.CreateKey(RegistryRoot::kLocalMachine, kContractScratch, RegistryAccess::kSetValues);
  ASSERT_TRUE(writer.status.Ok());
  EXPECT_TRUE(writer.key->SetValue(u"w", RegType::kDword, &one, 4).Ok());
  uint32_t size = 0;
  EXPECT_EQ(writer.key->QueryValue(u"v", nullptr, nullptr, size).Code(), RegStatus::kAccessDenied);
}

TYPED_TEST_P(RegistryContract, DeleteTreeTakesTheKeyAndAllBelowButNoSibling) {
  RegistryPort& port = this->Port();
  const RegistryRoot root = RegistryRoot::kClassesRoot;
  for (const char16_t* tail : {u"a\\b\\c", u"a b", u"ab"}) {
    OpenedKey made = port.CreateKey(root, this->Below(tail), RegistryAccess::kAll);
    ASSERT_TRUE(made.status.Ok()) << made.status.Code();
    ASSERT_TRUE(made.key->SetValue(nullptr, RegType::kString, u"x", 4).Ok());
  }
  EXPECT_TRUE(port.DeleteTree(root, this->Below(u"A")).Ok());
  for (const char16_t* gone : {u"a", u"a\\b", u"a\\b\\c"}) {
    EXPECT_EQ(port.OpenKey(root, this->Below(gone), RegistryAccess::kQueryValues).status.Code(),
              RegStatus::kFileNotFound);
  }
  for (const char16_t* kept : {u"a b", u"ab"}) {
    EXPECT_TRUE(port.OpenKey(root, this->Below(kept), RegistryAccess::kQueryValues).status.Ok());
  }
  EXPECT_EQ(port.DeleteTree(root, this->Below(u"a")).Code(), RegStatus::kFileNotFound);
}

TYPED_TEST_P(RegistryContract, AnOpenKeyThatWasDeletedRefusesItsCalls) {
  RegistryPort& port = this->Port();
  OpenedKey opened =
      port.CreateKey(RegistryRoot::kCurrentUser, this->Below(u"doomed"), RegistryAccess::kAll);
  ASSERT_TRUE(opened.status.Ok());
  ASSERT_TRUE(port.DeleteKey(RegistryRoot::kCurrentUser, this->Below(u"doomed")).Ok());
  const uint32_t one = 1;
  EXPECT_EQ(opened.key->SetValue(u"v", RegType::kDword, &one, 4).Code(), RegStatus::kKeyDeleted);
  uint32_t size = 0;
  EXPECT_EQ(opened.key->QueryValue(u"v", nullptr, nullptr, size).Code(), RegStatus::kKeyDeleted);
  EXPECT_EQ(port.OpenKey(RegistryRoot::kCurrentUser, this->Below(u"doomed"),
                         RegistryAccess::kQueryValues).status.Code(),
            RegStatus::kFileNotFound)
      << "writing through the old key must not bring it back";
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, ValuesRoundTripWithTheirTypeAndSize,
                            StringKindsComeBackWithTheirTypes,
                            OpenFindsOnlyKeysThatExistBelowThatRoot,
                            AKeyAllowsOnlyWhatItWasOpenedFor,
                            DeleteTreeTakesTheKeyAndAllBelowButNoSibling,
                            AnOpenKeyThatWasDeletedRefusesItsCalls);

}  // namespace qp
