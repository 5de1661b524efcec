// Prints what the page and upload-host rules make of each input line, for
// the comparison with an independent URL parser (host_policy_differential_test.py).
//
//   host_policy_probe [listed host]... < lines
//
// Each input line is the hex of one input's UTF-8 bytes; each output line
// holds five fields separated by a tab: the page host in compared form
// ("-" for none), whether the page is allowed (0 or 1), the upload host
// ("-" for none), whether uploads may go there (0 or 1), and the upload
// base address ("-" for none). Hosts and addresses are printed as hex of
// their UTF-8 bytes too.
#include <iostream>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "control/object/host_policy.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool FromHex(const std::string& hex, std::string* bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<char>(high << 4 | low));
  }
  return true;
}

std::string ToHex(const std::u16string& text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : qp::Utf8FromUtf16(text)) {
    hex.push_back(kDigits[c >> 4]);
    hex.push_back(kDigits[c & 15]);
  }
  return hex.empty() ? "-" : hex;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::u16string> listed;
  for (int i = 1; i < argc; ++i) {
    for (auto& host : gwax::ParseAllowedHosts(qp::Utf16FromUtf8(argv[i]))) listed.push_back(host);
  }
  std::string line;
  std::string bytes;
  while (std::getline(std::cin, line)) {
    if (!FromHex(line, &bytes)) {
      std::cerr << "not hex: " << line << "\n";
      return 2;
    }
    const std::u16string input = qp::Utf16FromUtf8(bytes);
    const auto page = gwax::ParsePageAddress(input);
    const auto upload = gwax::ParseUploadHost(input);
    std::cout << (page ? ToHex(page->host) : "-") << '\t' << gwax::IsAllowedPage(input, listed) << '\t'
              << (upload ? ToHex(upload->host) : "-") << '\t' << gwax::IsAllowedUploadHost(input, listed)
              << '\t' << (upload ? ToHex(gwax::UploadBaseAddress(*upload)) : "-") << '\n';
  }
  return 0;
}
