#!/usr/bin/env bash
# The demo: installs what is missing, builds the Windows programs, starts the
# stand-in Quillpost host with a sample account, runs the notifier under Wine
# in a virtual desktop with a taskbar (on a private Xvfb display when there is
# no display), photographs the tray icon with its greeting balloon, prints
# where the picture is, and stops everything it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"

out="$root/build/demo"
mkdir -p "$out"
cmake -S "$root" -B "$root/build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$root/build/win64" -j "$(nproc)" --target qptn qptn_probe
qptn="$root/build/win64/notifier/qptn.exe"
probe="$root/build/win64/tests/e2e/qptn_probe.exe"

run=$(mktemp -d "$out/run.XXXXXX")
host_pid="" xvfb_pid=""
cleanup() {
  WINEPREFIX="$run/prefix" wineserver -k 2>/dev/null || true
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT

echo "== stand-in host"
python3 "$root/devhost/qphost.py" --port 0 --data "$out/host-data" --port-file "$run/port" \
  >"$out/host.out" 2>&1 &
host_pid=$!
for _ in $(seq 100); do [ -s "$run/port" ] && break; sleep 0.1; done
port=$(cat "$run/port")
curl_json() {  # path, JSON body
  python3 - "$port" "$1" "$2" <<'PY'
import sys, urllib.request
port, path, body = sys.argv[1:]
req = urllib.request.Request(f'http://127.0.0.1:{port}{path}', data=body.encode(),
                             headers={'Content-Type': 'application/json'})
print(urllib.request.urlopen(req, timeout=10).read().decode())
PY
}
curl_json /admin/accounts '{"address": "demo@quillpost.com", "password": "demo-pass", "status": "active"}' >/dev/null
echo "stand-in host on 127.0.0.1:$port with the account demo@quillpost.com"

if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$run/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$run/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$run/display")"
fi
echo "== Wine prefix (about fifteen seconds)"
"$root/scripts/wine-prefix.sh" "$run/prefix"
export WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

echo "== notifier"
# A holder process alone first, kept until the end: Wine 8 can hang one of
# two programs that start together while its server or desktop is starting.
coproc HOLD { exec wine "$probe" hold 2>/dev/null; }
read -r -t 60 ready <&"${HOLD[0]}" || true
ready=${ready%$'\r'}  # the console writes CR LF
[ "${ready:-}" = ready ] || { echo "demo: the Wine desktop did not start" >&2; exit 1; }
wine "$qptn" -Hello >/dev/null 2>&1 &
for _ in $(seq 60); do
  hwnd=$(wine "$probe" windows | awk 'NR==1 {print $1}')
  [ -n "$hwnd" ] && wine "$probe" tray-present "$hwnd" && break
  sleep 0.5
done
[ -n "${hwnd:-}" ] || { echo "demo: the notifier did not start" >&2; exit 1; }
sleep 2  # let the balloon finish drawing
shot="$out/notifier-hello.png"
import -window root "$shot"
wine "$probe" send-exit "$hwnd" >/dev/null || true
echo "screenshot: $shot"
