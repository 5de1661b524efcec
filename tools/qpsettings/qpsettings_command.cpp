#include "tools/qpsettings/qpsettings_command.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "common/text.h"
#include "common/utf8.h"
#include "notifier/app/constants.h"
#include "notifier/settings/accessors.h"
#include "notifier/settings/settings.h"
#include "notifier/settings/shell_entries.h"

namespace qpsettings {
namespace {

using qptn::kMaxAccounts;

struct Accounts {
  std::array<std::u16string, kMaxAccounts> addresses;
  std::array<std::u16string, kMaxAccounts> passwords;
  unsigned count = 0;
  bool internal = false;
};

Accounts Load() {
  Accounts a;
  a.count = qptn::LoadAccounts(a.addresses.data(), a.passwords.data(), a.internal, kMaxAccounts);
  return a;
}

// Stored or typed text as the tool prints it: its control characters
// escaped (\n, \x1b...), so that a value never makes a line of its own or
// sends a terminal command.
std::string Shown(const std::u16string& text) {
  return qp::Utf8FromUtf16(qp::EscapeControls(text));
}

Outcome Usage(const std::string& message) { return {kUsageError, "", message}; }
Outcome Failed(const std::string& message) { return {kFailed, "", message}; }

// A decimal number without sign or blanks that fits in 31 bits.
std::optional<int32_t> Number(const std::u16string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int32_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return value;
}

std::optional<bool> Switch(const std::u16string& text) {
  if (text == u"1" || text == u"on" || text == u"true") return true;
  if (text == u"0" || text == u"off" || text == u"false") return false;
  return std::nullopt;
}

// A host name with an optional port: no blanks, controls or path.
bool PlausibleHost(const std::u16string& host) {
  if (host.empty()) return false;
  return std::none_of(host.begin(), host.end(), [](char16_t c) {
    return c <= u' ' || c == u'/' || c == u'\\' || c == u'?' || c == u'#' || c == u'@' ||
           c == 0x7F;
  });
}

std::string AccountLine(unsigned slot, const std::u16string& address) {
  return "account " + std::to_string(slot + 1) + " " + Shown(address) + "\n";
}

std::string AccountLines(const Accounts& a) {
  std::string out;
  for (unsigned i = 0; i < a.count; ++i) out += AccountLine(i, a.addresses[i]);
  return out;
}

std::string SettingLines(const Accounts& a) {
  const qptn::StringSetting host(u"host", qptn::kDefaultHost);
  const qptn::BoolSetting pl(u"pl", false);
  const qptn::StringSetting key(u"key", u"");
  const qptn::StringSetting prevMailto(u"prevMailto", qptn::kDefaultPrevMailto);
  const qptn::StringSetting prevIcon(u"prevMailtoIcon", qptn::kDefaultPrevMailtoIcon);
  return "freq=" + std::to_string(qptn::ReadCheckInterval(a.internal)) + "\n" +
         "showLimit=" + std::to_string(qptn::ReadShowLimit()) + "\n" +
         "show=" + std::to_string(qptn::ReadPopupTime()) + "\n" +
         "sound=" + (qptn::ReadSound() ? "1" : "0") + "\n" + "pl=" + (pl.value ? "1" : "0") +
         "\n" + "host=" + Shown(host.value) + "\n" + "key=" + Shown(key.value) + "\n" +
         "prevMailto=" + Shown(prevMailto.value) + "\n" + "prevMailtoIcon=" +
         Shown(prevIcon.value) + "\n";
}

// Sets a number as the notifier reads it: the effective value is stored.
Outcome SetNumber(const std::string& name, const std::u16string& text) {
  const std::optional<int32_t> n = Number(text);
  if (!n) return Usage(name + " takes a whole number, not \"" + Shown(text) + "\"");
  const Accounts a = Load();
  unsigned stored = 0;
  if (name == "freq") {
    qptn::WriteCheckInterval(*n);
    qptn::WriteCheckInterval(static_cast<int32_t>(qptn::ReadCheckInterval(a.internal)));
    stored = qptn::ReadCheckInterval(a.internal);
  } else if (name == "showLimit") {
    qptn::WriteShowLimit(static_cast<uint32_t>(*n));
    qptn::WriteShowLimit(qptn::ReadShowLimit());
    stored = qptn::ReadShowLimit();
  } else {
    qptn::WritePopupTime(*n);
    qptn::WritePopupTime(static_cast<int32_t>(qptn::ReadPopupTime()));
    stored = qptn::ReadPopupTime();
  }
  return {kDone, name + "=" + std::to_string(stored) + "\n", ""};
}

Outcome SetText(const std::string& name, const std::u16string& value) {
  if (qp::HasControl(value)) {
    return Usage(name + " must not hold control characters: \"" + Shown(value) + "\"");
  }
  if (name == "host" && !PlausibleHost(value)) {
    return Usage("host takes a host name with an optional :port, not \"" + Shown(value) + "\"");
  }
  qptn::StringSetting setting(name == "host" ? u"host" : u"key",
                              name == "host" ? qptn::kDefaultHost : u"");
  setting.value = value;
  return {kDone, name + "=" + Shown(value) + "\n", ""};
}

Outcome Set(const std::vector<std::u16string>& args) {
  if (args.size() != 3) return Usage("set takes a NAME and a VALUE");
  const std::string name = Shown(args[1]);
  const std::u16string& value = args[2];
  if (name == "freq" || name == "showLimit" || name == "show") return SetNumber(name, value);
  if (name == "host" || name == "key") return SetText(name, value);
  if (name == "sound" || name == "pl") {
    const std::optional<bool> on = Switch(value);
    if (!on) return Usage(name + " takes 1 or 0, not \"" + Shown(value) + "\"");
    if (name == "sound") {
      qptn::WriteSound(*on);
    } else {
      qptn::BoolSetting pl(u"pl", false);
      pl.value = *on;
    }
    return {kDone, name + "=" + (*on ? "1" : "0") + "\n", ""};
  }
  return Usage("no setting called \"" + name + "\"");
}

Outcome AddAccount(const std::u16string& address, const std::u16string& password) {
  if (address.find(u'@') == std::u16string::npos) {
    return Usage("ADDRESS must be an e-mail address, not \"" + Shown(address) + "\"");
  }
  if (qp::HasControl(address)) {
    return Usage("ADDRESS must not hold control characters: \"" + Shown(address) + "\"");
  }
  if (password.empty()) return Usage("PASSWORD must not be empty");
  if (qp::HasControl(password)) return Usage("PASSWORD must not hold control characters");
  Accounts a = Load();
  if (a.count == kMaxAccounts) return Failed("five accounts are stored already");
  for (unsigned i = 0; i < a.count; ++i) {
    if (a.addresses[i] == address) return Failed(Shown(address) + " is stored already");
  }
  a.addresses[a.count] = address;
  a.passwords[a.count] = password;
  const unsigned slot = a.count++;
  qptn::SaveAccounts(a.passwords.data(), a.addresses.data(), a.count);
  const Accounts stored = Load();
  if (stored.count != a.count || stored.addresses[slot] != address) {
    return Failed("could not store the account");
  }
  return {kDone, AccountLine(slot, address), ""};
}

Outcome RemoveAccount(const std::u16string& which) {
  const std::optional<int32_t> n = Number(which);
  if (!n) return Usage("remove takes an account number, not \"" + Shown(which) + "\"");
  Accounts a = Load();
  if (*n < 1 || static_cast<unsigned>(*n) > a.count) {
    return Failed("there is no account " + Shown(which) + " (" + std::to_string(a.count) +
                  " stored)");
  }
  const unsigned slot = static_cast<unsigned>(*n) - 1;
  for (unsigned i = slot; i + 1 < a.count; ++i) {
    a.addresses[i] = a.addresses[i + 1];
    a.passwords[i] = a.passwords[i + 1];
  }
  --a.count;
  qptn::SaveAccounts(a.passwords.data(), a.addresses.data(), a.count);
  if (Load().count != a.count) return Failed("could not remove the account");
  return {kDone, AccountLines(a), ""};
}

Outcome Account(const std::vector<std::u16string>& args) {
  const std::u16string verb = args.size() > 1 ? args[1] : u"";
  if (verb == u"list" && args.size() == 2) return {kDone, AccountLines(Load()), ""};
  if (verb == u"add" && args.size() == 4) return AddAccount(args[2], args[3]);
  if (verb == u"remove" && args.size() == 3) return RemoveAccount(args[2]);
  return Usage("account takes add ADDRESS PASSWORD, remove N or list");
}

}  // namespace

Outcome Run(const std::vector<std::u16string>& args) {
  if (args.empty()) return Usage("no command given");
  bool open = false;
  {
    // Writes its own value back at once, before any command changes it.
    const qptn::BoolSetting probe(u"pl", false);
    open = qptn::setting_base::KeyOpen();
  }
  if (!open) {
    return Failed("cannot open HKEY_CURRENT_USER\\Software\\Vantrell\\QPTN\\Settings");
  }
  if (args[0] == u"show" && args.size() == 1) {
    const Accounts a = Load();
    return {kDone, SettingLines(a) + AccountLines(a), ""};
  }
  if (args[0] == u"set") return Set(args);
  if (args[0] == u"account") return Account(args);
  return Usage("unknown command \"" + Shown(args[0]) + "\"");
}

}  // namespace qpsettings
