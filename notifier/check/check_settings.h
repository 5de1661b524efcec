// The settings the mail check runs by, as start-up and, after the settings
// dialog, the check itself load them.
#pragma once

namespace qptn {

// How long a popup message stays until the settings say otherwise.
inline constexpr unsigned kDefaultPopupDisplayMs = 4000;

struct CheckSettings {
  unsigned intervalMs = 0;  // between two periodic checks
  unsigned showLimit = 0;   // the most new messages announced one by one
  bool sound = true;        // the alert sound on new mail
  unsigned popupDisplayMs = kDefaultPopupDisplayMs;  // handed to the popup
};

// Reads "showLimit", "freq", "sound" and "show" (writing each back, as every
// accessor does) and gives them as the check uses them. `internalAccount`
// lowers the shortest interval (see ReadCheckInterval).
CheckSettings LoadCheckSettings(bool internalAccount);

}  // namespace qptn
