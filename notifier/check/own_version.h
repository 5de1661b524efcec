// The version the notifier was built as: the build's QP_VERSION.
//
// Defined in own_version.cpp, which the library notifier_own_version
// carries for every program; a program of another version compiles that
// file itself against another qp_version.h, and its definitions are then
// the ones linked (the upgrade scenarios' newer notifier is built so).
#pragma once

#include <cstdint>

namespace qptn {

// What the update check compares with the service's current version.
extern const int32_t kOwnVersion;
// Drawn after the dialogs' title: "  (Version 1.1.4)".
extern const char16_t kVersionText[];

}  // namespace qptn
