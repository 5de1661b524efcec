#!/usr/bin/env bash
# Runs one Windows program under Wine in the test run's prefix; ctest in the
# Windows tree uses it as the emulator. scripts/test.sh creates the prefix and
# the display and exports WINEPREFIX and DISPLAY. Without them the program is
# skipped (exit 77) with a message, or fails when QP_REQUIRE_ALL is set.
set -euo pipefail
skip() {
  echo "wine-run: $1; run the Windows tests through scripts/test.sh" >&2
  [ -n "${QP_REQUIRE_ALL:-}" ] && exit 1
  exit 77
}
command -v wine >/dev/null || skip "wine is not installed"
[ -n "${WINEPREFIX:-}" ] || skip "WINEPREFIX is not set"
[ -n "${DISPLAY:-}" ] || skip "DISPLAY is not set"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
