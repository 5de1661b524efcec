// A tray that writes what it is asked to show into a call log, for the tests
// of the tray's decisions and of the application object.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "notifier/tray/tray_port.h"

namespace qptn::testing {

// ASCII of a text, line breaks as "|", anything else as "?".
inline std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c == u'\n' ? '|' : (c < 128 ? static_cast<char>(c) : '?');
  return out;
}

// One log for several fakes, so that a test sees the order of their calls.
struct CallLog {
  std::vector<std::string> calls;
  std::vector<std::string> Take() { return std::exchange(calls, {}); }
};

using Calls = std::vector<std::string>;

class FakeTray : public TrayPort {
 public:
  explicit FakeTray(CallLog& log) : log_(log) {}
  void Add(int id) override { log_.calls.push_back("Add " + std::to_string(id)); }
  void SetIcon(int id) override { log_.calls.push_back("SetIcon " + std::to_string(id)); }
  void SetTip(const std::u16string& t) override { log_.calls.push_back("SetTip " + Narrow(t)); }
  void Balloon(const std::u16string& t, bool error) override {
    log_.calls.push_back(std::string(error ? "Error " : "Info ") + Narrow(t));
  }
  void Remove() override { log_.calls.push_back("Remove"); }

 private:
  CallLog& log_;
};

}  // namespace qptn::testing
