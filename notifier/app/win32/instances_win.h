// The other notifier instances: closing those that run, so that at most one
// does, and starting this program again.
#pragma once

namespace qptn {

// How long a peer may take to answer one Exit command, the pause between
// two rounds, and how long one peer is tried before it is left alone.
inline constexpr unsigned kExitAnswerMs = 5000;
inline constexpr unsigned kExitRetryMs = 400;
inline constexpr unsigned kGiveUpOnPeerMs = 30000;
// The longest a starting instance waits for another one's start-up.
inline constexpr unsigned kStartupLockMs = 90000;

// Sends Exit to every window of class "QPTN" until none is left, or only
// windows that did not go within kGiveUpOnPeerMs.
void CloseRunningInstances();

// Starts this program again through the shell with "-Hello".
void RelaunchWithHello();

}  // namespace qptn
