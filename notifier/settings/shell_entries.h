// Per-user shell entries that point at the running program file: the
// mailto: handler (command and icon) and the start at login. Taking over the
// mailto: association remembers the previous handler in the settings so that
// giving it back restores it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/registry.h"

namespace qptn {

inline constexpr char16_t kRunKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char16_t kRunValue[] = u"qptn";
inline constexpr char16_t kMailtoCommandKey[] = u"software\\classes\\mailto\\shell\\open\\command";
inline constexpr char16_t kMailtoIconKey[] = u"software\\classes\\mailto\\DefaultIcon";
inline constexpr char16_t kMailtoCommandSuffix[] = u" -mailto %1";
inline constexpr char16_t kMailtoIconSuffix[] = u",0";

// What "prevMailto" and "prevMailtoIcon" hold until the notifier took over.
inline constexpr char16_t kDefaultPrevMailto[] =
    u"\"C:\\Program Files\\Outlook Express\\msimn.exe\" -c IPM.Note /m \"%1\"";
inline constexpr char16_t kDefaultPrevMailtoIcon[] =
    u"\"C:\\Program Files\\Outlook Express\\msimn.exe\",1";

// One value of the current user's registry that the notifier writes with a
// text of its own: the quoted program path and a suffix.
class RegistryEntry {
 public:
  // Sizes of the buffers the value is read into.
  static constexpr uint32_t kTestBufferBytes = 584;
  static constexpr uint32_t kTakeOverBufferBytes = 522;
  static constexpr size_t kExpectedLimit = 291;  // characters, terminator excluded

  // Opens the key when it exists; only writing the expected text creates
  // it, so testing or giving back never leaves a key that was not there
  // (a per-user key shadows the machine's key of the same name).
  // `valueName` null is the key's default value.
  RegistryEntry(qp::RegistryPort& registry, std::u16string subkey,
                std::optional<std::u16string> valueName, std::u16string_view programPath,
                std::u16string_view suffix);

  // The value holds exactly the expected text, compared byte for byte.
  bool IsSet();
  // On writes the expected text; off deletes the value.
  void Set(bool on);
  // Returns the current text (empty when there is none) and writes the
  // expected one.
  std::u16string TakeOver();
  // Restores `previous` into the key, when it still exists; an empty one
  // removes the value, or for a default value the key itself.
  void GiveBack(const std::u16string& previous);

  const std::u16string& expected() const { return expected_; }

 private:
  const char16_t* Name() const { return valueName_ ? valueName_->c_str() : nullptr; }
  // The open key, or null; with `create`, a missing key is created first.
  qp::RegistryKey* Key(bool create);
  void Write(qp::RegistryKey* key, const std::u16string& text);

  qp::RegistryPort& registry_;
  std::u16string subkey_;
  std::optional<std::u16string> valueName_;
  std::unique_ptr<qp::RegistryKey> key_;  // null until it is opened
  std::u16string expected_;
};

RegistryEntry MakeRunAtLoginEntry(qp::RegistryPort& registry, std::u16string_view programPath);

// Makes the program the mailto: handler (`enable`) or gives the association
// back to the handler it took over from. Only the command entry decides
// whether the program is the handler; the icon follows it.
void RegisterMailto(qp::RegistryPort& registry, std::u16string_view programPath, bool enable);

}  // namespace qptn
