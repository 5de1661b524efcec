#include "control/object/allowed_hosts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/memory_registry.h"

namespace gwax {
namespace {

constexpr qp::RegistryRoot kMachine = qp::RegistryRoot::kLocalMachine;
constexpr char16_t kKey[] = u"Software\\Vantrell\\GatherwickAX";

std::string Bytes(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

// %TESTHOST% stands for "test.example"; the rest stays.
std::u16string Expand(std::u16string_view text) {
  std::u16string out(text);
  const std::u16string name = u"%TESTHOST%";
  for (size_t at; (at = out.find(name)) != std::u16string::npos;) out.replace(at, name.size(), u"test.example");
  return out;
}

std::u16string Repeated(const std::u16string& text, size_t times) {
  std::u16string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

TEST(AllowedHosts, TakesStringValuesOfAtMost64KiB) {
  struct Case {
    const char* label;
    qp::RegType type;
    std::string bytes;
    std::vector<std::u16string> hosts;
  };
  const std::u16string multi(u"a.example\0b.example\0\0", 21);
  const Case cases[] = {
      {"REG_SZ", qp::RegType::kString, Bytes(u"Intranet.Example; 127.0.0.1" + std::u16string(1, 0)),
       {u"intranet.example", u"127.0.0.1"}},
      {"REG_SZ without its terminator", qp::RegType::kString, Bytes(u"a.example"), {u"a.example"}},
      {"REG_MULTI_SZ", qp::RegType::kMultiString, Bytes(multi), {u"a.example", u"b.example"}},
      {"REG_EXPAND_SZ", qp::RegType::kExpandString,
       Bytes(u"a.example;%TESTHOST%;%UNSET%" + std::u16string(1, 0)), {u"a.example", u"test.example"}},
      {"REG_EXPAND_SZ without its terminator", qp::RegType::kExpandString, Bytes(u"%TESTHOST%"),
       {u"test.example"}},
      {"REG_MULTI_SZ of addresses", qp::RegType::kMultiString,
       Bytes(std::u16string(u"127.1\0[0::1]\0\0", 14)), {u"127.0.0.1", u"[::1]"}},
      {"REG_BINARY", qp::RegType::kBinary, Bytes(u"a.example"), {}},
      {"REG_DWORD", qp::RegType::kDword, std::string(4, '\1'), {}},
      // 3,276 entries of ten units and eight more units: 65,536 bytes.
      {"exactly 64 KiB", qp::RegType::kString, Bytes(Repeated(u"a.example;", 3276) + u"abcdefgh"),
       [] {
         std::vector<std::u16string> hosts(3276, u"a.example");
         hosts.push_back(u"abcdefgh");
         return hosts;
       }()},
      {"one byte over 64 KiB", qp::RegType::kString,
       Bytes(Repeated(u"a.example;", 3276) + u"abcdefgh") + "x", {}},
      {"empty", qp::RegType::kString, "", {}},
  };
  for (const Case& c : cases) {
    qp::MemoryRegistry registry;
    registry.Put(kMachine, kKey, u"AllowedHosts", c.type, c.bytes);
    EXPECT_EQ(ReadAllowedHosts(registry, Expand), c.hosts) << c.label;
    EXPECT_EQ(registry.openKeys, 0) << c.label << ": the key stayed open";
  }
}

TEST(AllowedHosts, NothingWithoutTheKeyOrTheValueOrBelowAnotherRoot) {
  qp::MemoryRegistry registry;
  EXPECT_TRUE(ReadAllowedHosts(registry, Expand).empty());
  registry.PutString(kMachine, kKey, u"Other", u"a.example");
  EXPECT_TRUE(ReadAllowedHosts(registry, Expand).empty());
  registry.PutString(qp::RegistryRoot::kCurrentUser, kKey, u"AllowedHosts", u"a.example");
  EXPECT_TRUE(ReadAllowedHosts(registry, Expand).empty()) << "only the machine-wide value counts";
}

}  // namespace
}  // namespace gwax
