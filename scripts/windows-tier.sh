#!/usr/bin/env bash
# Runs the Windows tier of a built Windows tree under Wine: the Windows test
# programs and the scenarios, each in a Wine session of its own (a fresh
# copy of one template prefix and a private display, scripts/wine-session.sh),
# QP_WINDOWS_JOBS of them side by side (default 3: the scenarios mostly wait
# for timers and windows). Further arguments go to ctest (-R, -E, --repeat...).
# Photographs of failures land in QP_FAILURE_DIR, by default BUILD/failures
# (emptied first).
#
# Usage: windows-tier.sh BUILD [CTEST-ARGUMENT...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: windows-tier.sh BUILD [CTEST-ARGUMENT...]}" && pwd)
shift

run=$(mktemp -d "$build/run.XXXXXX")
cleanup() {
  # Sessions that ctest ended hard (a time-out) could not end their own.
  for session in "$run"/wine-session.*; do
    [ -d "$session" ] || continue
    WINEPREFIX="$session/prefix" wineserver -k 2>/dev/null
    [ -f "$session/xvfb.pid" ] && kill "$(cat "$session/xvfb.pid")" 2>/dev/null
  done
  WINEPREFIX="$run/template" wineserver -k 2>/dev/null
  rm -rf "$run"
}
trap cleanup EXIT

if ! "$root/scripts/wine-prefix.sh" "$run/template"; then
  echo "windows-tier: no template prefix" >&2
  exit 1
fi
export QP_WINE_TEMPLATE="$run/template"
export QP_SESSION_ROOT="$run"
if [ -z "${QP_FAILURE_DIR:-}" ]; then
  export QP_FAILURE_DIR="$build/failures"
  rm -rf "$QP_FAILURE_DIR"
fi
# In the background, so that a TERM ends ctest and its sessions at once.
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "${QP_WINDOWS_JOBS:-3}" "$@" &
ctest_pid=$!
# Until ctest runs, TERM simply ends the script (and the EXIT trap cleans).
trap 'kill -TERM $ctest_pid 2>/dev/null; exit 143' TERM INT
wait $ctest_pid
