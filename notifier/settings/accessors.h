// The settings the rest of the notifier reads and writes by name: each
// accessor reads through a setting object of its own, which writes the stored
// value back, unclamped, when it goes; what it returns is clamped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qptn {

inline constexpr unsigned kMaxAccounts = 5;

// Minutes between mail checks: "freq" within [2, 240] when some account is of
// the operator's own domain, else within [5, 240].
unsigned ReadCheckInterval(bool internalAccount);
void WriteCheckInterval(int32_t minutes);
// The most new messages announced one by one: "showLimit" within [1, 30].
unsigned ReadShowLimit();
void WriteShowLimit(uint32_t limit);
// Seconds a popup message stays: "show" within [3, 30].
unsigned ReadPopupTime();
void WritePopupTime(int32_t seconds);
bool ReadSound();
void WriteSound(bool on);

// True when the address holds "@" and the operator's own domain, ignoring case.
bool IsInternalAddress(std::u16string_view address);

// Reads up to `slots` accounts; returns how many have both an address and a
// password. `internal` tells whether an address read is of the operator's
// own domain.
unsigned LoadAccounts(std::u16string* addresses, std::u16string* passwords, bool& internal,
                      unsigned slots);
// Stores `count` accounts and ends the list with an empty address; the
// values of higher slots are left as they are.
void SaveAccounts(const std::u16string* passwords, const std::u16string* addresses,
                  unsigned count);

}  // namespace qptn
