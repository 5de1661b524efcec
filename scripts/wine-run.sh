#!/usr/bin/env bash
# Runs one Windows program under Wine; ctest in the Windows tree uses it as
# the emulator. In the test command each program gets a Wine session of its
# own (scripts/wine-session.sh); without one it is skipped (exit 77) with a
# message, or fails when QP_REQUIRE_ALL is set.
set -euo pipefail
if ! command -v wine >/dev/null; then
  echo "wine-run: wine is not installed; run the Windows tests through scripts/test.sh" >&2
  [ -n "${QP_REQUIRE_ALL:-}" ] && exit 1
  exit 77
fi
export WINEDEBUG=${WINEDEBUG:--all,err+all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec "$(dirname "$0")/wine-session.sh" wine "$@"
