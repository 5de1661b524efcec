#!/usr/bin/env bash
# Runs one command in a Wine session of its own: a fresh copy of the run's
# template prefix (QP_WINE_TEMPLATE, made by scripts/wine-prefix.sh) and a
# private Xvfb display. The command gets WINEPREFIX, DISPLAY and
# QP_FAILURE_DIR (where a failing scenario leaves its screenshots); when it
# ends, every process of the prefix is ended, the display closed and the
# prefix removed. Exits with the command's status.
#
# Without a template, the command runs in the caller's WINEPREFIX and
# DISPLAY, or is skipped (77; a failure when QP_REQUIRE_ALL is set) when
# there are none.
#
# Usage: wine-session.sh COMMAND [ARGUMENT...]
set -uo pipefail
[ $# -gt 0 ] || { echo "usage: wine-session.sh COMMAND [ARGUMENT...]" >&2; exit 2; }

if [ -z "${QP_WINE_TEMPLATE:-}" ] || [ -n "${QP_WINE_SESSION:-}" ]; then
  if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
    echo "wine-session: no Wine prefix and display; run the Windows tests through scripts/test.sh" >&2
    [ -n "${QP_REQUIRE_ALL:-}" ] && exit 1
    exit 77
  fi
  exec "$(dirname "$0")/no-aslr.sh" "$@"
fi

template=$QP_WINE_TEMPLATE
if [ ! -f "$template/system.reg" ]; then
  echo "wine-session: $template is not a Wine prefix" >&2
  exit 1
fi
session=$(mktemp -d "${QP_SESSION_ROOT:-${TMPDIR:-/tmp}}/wine-session.XXXXXX")
xvfb_pid=""
finish() {
  # Every Windows process of the prefix, then its server; bounded, so a
  # server that does not go is reported, not waited for.
  WINEPREFIX="$session/prefix" wineserver -k 2>/dev/null
  if ! WINEPREFIX="$session/prefix" timeout 30 wineserver -w 2>/dev/null; then
    echo "wine-session: the Wine server of $session/prefix did not end within 30 s" >&2
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$session"
}
trap finish EXIT
trap 'exit 143' TERM INT

cp -a "$template" "$session/prefix"
# A private display: the number Xvfb picks is written to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$session/display" >/dev/null 2>&1 &
xvfb_pid=$!
echo "$xvfb_pid" >"$session/xvfb.pid"
for _ in $(seq 100); do
  [ -s "$session/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$session/display" ]; then
  echo "wine-session: Xvfb did not start" >&2
  exit 1
fi

export WINEPREFIX="$session/prefix"
export DISPLAY=":$(cat "$session/display")"
export QP_WINE_SESSION=1
export QP_FAILURE_DIR=${QP_FAILURE_DIR:-${QP_SESSION_ROOT:-${TMPDIR:-/tmp}}/failures}
mkdir -p "$QP_FAILURE_DIR"
# Without address-space randomisation (scripts/no-aslr.sh says why).
"$(dirname "$0")/no-aslr.sh" "$@"
