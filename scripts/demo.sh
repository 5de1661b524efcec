#!/usr/bin/env bash
# The demo: installs what is missing, builds the Windows programs, starts the
# stand-in Quillpost host with a sample account, runs the notifier under Wine
# in a virtual desktop with a taskbar (on a private Xvfb display when there is
# no display) with the host set by qpsettings, photographs the tray
# icon with its greeting balloon, adds the account through the settings and
# account dialogs (photographed), delivers a message, asks the notifier to
# check now, photographs the popup announcing it and the tray showing unread
# mail, reads the message back through the service client (qpcall),
# registers the browser control and drives it from JScript, photographs one
# of its themed message boxes, downloads two attachments from the host with
# it into a folder (the folder browser photographed and answered) and lists
# them, copies an HTML fragment with a local picture to the clipboard and
# has the control prepare it for a paste (the rewritten HTML and the
# host's stored copy shown), and ends by answering a new message with
# Reply in the popup: a stand-in browser registered for DDE receives the
# compose page's address. It prints where the pictures are and stops
# everything it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
# Wine's programs without address-space randomisation, as in the tests
# (scripts/no-aslr.sh says why).
[ -n "${QP_NO_RANDOMIZE:-}" ] || exec "$root/scripts/no-aslr.sh" "$0" "$@"

out="$root/build/demo"
mkdir -p "$out"
cmake --no-warn-unused-cli -S "$root" -B "$root/build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$root/build/win64" -j "$(nproc)" --target qptn qptn_probe qpcall qpsettings GatherwickAX gatherwick_dialogs fake_browser download_probe clipboard_probe
qptn="$root/build/win64/notifier/qptn.exe"
probe="$root/build/win64/tests/e2e/qptn_probe.exe"
qpcall="$root/build/win64/tools/qpcall/qpcall.exe"
qpsettings="$root/build/win64/tools/qpsettings/qpsettings.exe"
control="$root/build/win64/control/GatherwickAX.dll"
dialogs="$root/build/win64/tests/e2e/gatherwick_dialogs.exe"
fake_browser="$root/build/win64/tests/e2e/fake_browser.exe"
download_probe="$root/build/win64/tests/e2e/download_probe.exe"
clipboard_probe="$root/build/win64/tests/e2e/clipboard_probe.exe"
# Wine's own programs by their full paths: "wine NAME" goes through start.exe,
# whose ShellExecuteEx fails now and then on a busy machine.
sys32='C:\windows\system32'
winpath() { wine "$sys32\winepath.exe" -w "$1"; }

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
# The host to ask; the account is added in the notifier's own dialogs below.
wine "$qpsettings" set host "127.0.0.1:$port" >/dev/null
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
echo "screenshot: $shot"

# With no account, the settings dialog opens by itself after five seconds,
# and the account dialog over it: the demo signs in like a person would.
dialog_with() { { wine "$probe" dialog-with "$1" 2>/dev/null || true; } | tr -d '\r'; }
account_dialog=""
for _ in $(seq 120); do account_dialog=$(dialog_with 1005); [ -n "$account_dialog" ] && break; sleep 0.5; done
[ -n "$account_dialog" ] || { echo "demo: the account dialog did not open" >&2; exit 1; }
wine "$probe" set-text "$account_dialog" 1005 demo@quillpost.com
wine "$probe" set-text "$account_dialog" 1006 demo-pass
sleep 1  # let the fields repaint
shot="$out/notifier-account-dialog.png"
import -window root "$shot"
echo "the account dialog; screenshot: $shot"
wine "$probe" press "$account_dialog" 1
settings_dialog=""
for _ in $(seq 120); do
  [ -z "$(dialog_with 1005)" ] && settings_dialog=$(dialog_with 1002) && [ -n "$settings_dialog" ] && break
  sleep 0.5
done
[ -n "$settings_dialog" ] || { echo "demo: the sign-in did not return to the settings" >&2; exit 1; }
sleep 1  # let the account list repaint
shot="$out/notifier-settings-dialog.png"
import -window root "$shot"
echo "signed in against the stand-in host; the settings dialog: $shot"
wine "$qpsettings" show | tr -d '\r'
wine "$probe" press "$settings_dialog" 2
for _ in $(seq 60); do [ -z "$(dialog_with 1002)" ] && break; sleep 0.5; done

# The notifier's first check learns where the mailbox stands; mail that
# arrives after it is announced.
wine "$probe" command "$hwnd" 32774
asked() {  # how many mail checks the host has answered
  python3 - "$port" <<'PY'
import json, sys, urllib.request
log = json.load(urllib.request.urlopen(f'http://127.0.0.1:{sys.argv[1]}/admin/log', timeout=10))
print(sum(1 for e in log if e.get('operation') == 'get_new_messages'))
PY
}
for _ in $(seq 120); do [ "$(asked)" -ge 1 ] && break; sleep 0.5; done
[ "$(asked)" -ge 1 ] || { echo "demo: the notifier did not check mail" >&2; exit 1; }
curl_json /admin/deliver '{"to": "demo@quillpost.com", "from": "Ann Example <ann@example.org>",
  "subject": "Lunch on Friday?", "body": "Shall we meet at noon?"}' >/dev/null
echo "delivered a message; Check Email Now"
wine "$probe" command "$hwnd" 32774
# The popup announces the message: photographed once it is fully opaque.
popup_opaque() { wine "$probe" popup | awk 'NR==1 && $6 == 1 && $7 == 255 {print "yes"}'; }
for _ in $(seq 120); do [ "$(popup_opaque)" = yes ] && break; sleep 0.25; done
if [ "$(popup_opaque)" = yes ]; then
  shot="$out/notifier-popup.png"
  import -window root "$shot"
  echo "the popup announces the message; screenshot: $shot"
else
  echo "demo: the popup did not show" >&2
  exit 1
fi
tray_icon() {
  python3 -c "import sys; sys.path.insert(0, '$root/tests/e2e'); import winenv; print(winenv.tray_icon())"
}
for _ in $(seq 120); do [ "$(asked)" -ge 2 ] && [ "$(tray_icon)" = unread ] && break; sleep 0.5; done
if [ "$(tray_icon)" = unread ]; then
  shot="$out/notifier-unread-mail.png"
  import -window root "$shot"
  echo "the tray shows unread mail; screenshot: $shot"
else
  echo "demo: the tray does not show unread mail (it shows: $(tray_icon))" >&2
  exit 1
fi
wine "$probe" send-exit "$hwnd" >/dev/null || true

echo "== service client"
endpoint="http://127.0.0.1:$port/soap/public.php?version=1"
auth=(auth.user_id=demo@quillpost.com auth.password=demo-pass)
wine "$qpcall" "$endpoint" check_auth "${auth[@]}" | tr -d '\r'
wine "$qpcall" "$endpoint" get_new_messages "${auth[@]}" header_num=0 hostkey= max=5 | tr -d '\r'

echo "== browser control"
dll=$(winpath "$control")
wine "$sys32\regsvr32.exe" /s "$dll"
cat >"$run/control.js" <<'JS'
var control = new ActiveXObject("Vantrell.QPTTool");
WScript.Echo("GatherwickAX version " + control.Version + ", protected mode " + control.ProtectedMode);
JS
wine "$sys32\cscript.exe" //nologo "$(winpath "$run/control.js")" | tr -d '\r'
# The dialog helper closes its box at a line on its input; bash keeps one
# coprocess at a time, and the holder is one, so a FIFO carries that line.
mkfifo "$run/box.in"
exec 5<>"$run/box.in"
wine "$dialogs" msgbox blue 1 <"$run/box.in" >"$run/box.out" 2>/dev/null &
box_pid=$!
for _ in $(seq 120); do grep -q '^ready' "$run/box.out" 2>/dev/null && break; sleep 0.5; done
if grep -q '^ready' "$run/box.out"; then
  sleep 1  # let the box finish drawing
  box_shot="$out/control-message-box.png"
  import -window root "$box_shot"
  echo "screenshot: $box_shot"
else
  echo "demo: the control's message box did not show" >&2
fi
echo >&5
wait "$box_pid" || true
exec 5>&-

echo "== two attachments downloaded by the control"
first=$(curl_json /admin/attachment '{"name": "minutes.txt", "base64": "TWludXRlcyBvZiB0aGUgbWVldGluZwo="}')
second=$(curl_json /admin/attachment '{"name": "photo.jpg", "size": 1500000}')
url() { python3 -c 'import json, sys; print(json.loads(sys.argv[1])["url"])' "$1"; }
cat >"$run/download.js" <<JS
var control = new ActiveXObject("Vantrell.QPTTool");
control.StartMultipleDownload();
control.AddDownload("$(url "$first")", "minutes.txt", "23 bytes");
control.AddDownload("$(url "$second")", "photo.jpg", "1.4 MB");
control.EndMultipleDownload("green");
WScript.Echo("EndMultipleDownload returned");
JS
mkdir -p "$WINEPREFIX/drive_c/Attachments"
timeout 180 wine "$sys32\cscript.exe" //nologo "$(winpath "$run/download.js")" >"$run/download.out" 2>/dev/null &
download_pid=$!
if read -r browser _ < <(wine "$download_probe" browse-dialog | tr -d '\r'); then
  sleep 1  # let the folder browser finish drawing
  browse_shot="$out/control-folder-browser.png"
  import -window root "$browse_shot"
  echo "screenshot: $browse_shot"
  wine "$download_probe" browse-answer "$browser" 'C:\Attachments' || echo "demo: the folder was not picked" >&2
fi
wait "$download_pid" || true
tr -d '\r' <"$run/download.out"
echo "C:\Attachments holds:"
(cd "$WINEPREFIX/drive_c/Attachments" && for f in *; do
  printf '  %-12s %8s bytes  sha256 %s\n' "$f" "$(stat -c %s "$f")" "$(sha256sum "$f" | cut -c1-16)..."
done)

echo "== a copied picture uploaded before the paste"
# The host is local, so an administrator lists it for the control.
wine "$sys32\reg.exe" add 'HKLM\Software\Vantrell\GatherwickAX' /v AllowedHosts /d 127.0.0.1 /f >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/Pictures"
python3 - "$WINEPREFIX/drive_c/Pictures/sunset.png" "$run/copied.html" "$run/clipboard.txt" \
  "$(winpath "$run/copied.html")" <<'PY'
import struct, sys, zlib
picture, html, spec, html_windows = sys.argv[1:]
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
rows = b''.join(b'\0' + b''.join(bytes((x * 8, y * 8, 160)) for x in range(32)) for y in range(32))
with open(picture, 'wb') as f:
    f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 32, 32, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))
fragment = '<p>Our view tonight:</p><img src="file:///C:/Pictures/sunset.png" width=32 height=32>'
before, after = '<html><body>\r\n<!--StartFragment-->', '<!--EndFragment-->\r\n</body></html>'
header = 'Version:0.9\r\nStartHTML:{:010d}\r\nEndHTML:{:010d}\r\nStartFragment:{:010d}\r\nEndFragment:{:010d}\r\n'
start = len(header.format(0, 0, 0, 0))
fragment_start = start + len(before)
fragment_end = fragment_start + len(fragment)
end = fragment_end + len(after)
with open(html, 'wb') as f:
    f.write((header.format(start, end, fragment_start, fragment_end) + before + fragment + after).encode() + b'\0')
with open(spec, 'w') as f:
    f.write(f'HTML Format\tfile\t{html_windows}\n')
PY
wine "$clipboard_probe" put "$(winpath "$run/clipboard.txt")"
cat >"$run/paste.js" <<JS
var control = new ActiveXObject("Vantrell.QPTTool");
var keys = [], names = [], sizes = [];
control.PrepareClipboard("127.0.0.1:$port", "demo@quillpost.com", "green", "", keys, names, sizes);
WScript.Echo("PrepareClipboard uploaded " + names.join(", ") + " (" + sizes.join(", ") + " bytes), key " + keys.join(", "));
JS
timeout 120 wine "$sys32\cscript.exe" //nologo "$(winpath "$run/paste.js")" 2>/dev/null | tr -d '\r'
wine "$clipboard_probe" dump-format "HTML Format" "$(winpath "$run/pasted.html")"
echo "the clipboard's HTML for the paste now reads:"
tr -d '\0' <"$run/pasted.html" | sed -n '/StartFragment-->/,$p' | sed 's/^/  /'
echo
echo "the host stores:"
python3 - "$port" "$WINEPREFIX/drive_c/Pictures/sunset.png" <<'PY'
import hashlib, json, sys, urllib.request
port, picture = sys.argv[1:]
local = hashlib.sha256(open(picture, 'rb').read()).hexdigest()
for upload in json.load(urllib.request.urlopen(f'http://127.0.0.1:{port}/admin/uploads', timeout=10)):
    same = 'the same bytes as C:\\Pictures\\sunset.png' if upload['sha256'] == local else 'other bytes'
    print(f"  {upload['path']}  {upload['name']}  {upload['size']} bytes  {same}")
PY
wine "$sys32\regsvr32.exe" /u /s "$dll"

echo "== Reply from the popup"
# A stand-in browser that takes pages over DDE and writes down what it gets.
ddeexec='HKCU\Software\Classes\http\shell\open\ddeexec'
wine "$sys32\reg.exe" add "$ddeexec\Application" /ve /d QPDemoBrowser /f >/dev/null 2>&1
wine "$sys32\reg.exe" add "$ddeexec\Topic" /ve /d WWW_OpenURL /f >/dev/null 2>&1
wine "$fake_browser" QPDemoBrowser "Start Page - Demo Browser" 'C:\demo-browser.txt' \
  >"$run/browser.out" 2>/dev/null &
for _ in $(seq 120); do grep -q '^ready' "$run/browser.out" 2>/dev/null && break; sleep 0.5; done
grep -q '^ready' "$run/browser.out" || { echo "demo: the stand-in browser did not start" >&2; exit 1; }
before=$(asked)
wine "$qpsettings" set show 30 >/dev/null  # time to read the popup
wine "$qptn" >/dev/null 2>&1 &
hwnd=""
for _ in $(seq 60); do
  hwnd=$(wine "$probe" windows | awk 'NR==1 {print $1}')
  [ -n "$hwnd" ] && break
  sleep 0.5
done
[ -n "$hwnd" ] || { echo "demo: the notifier did not start again" >&2; exit 1; }
for _ in $(seq 120); do [ "$(asked)" -gt "$before" ] && break; sleep 0.5; done
curl_json /admin/deliver '{"to": "demo@quillpost.com", "from": "Bo Example <bo@example.org>",
  "subject": "Your opinion?", "body": "Could you answer before Friday?"}' >/dev/null
echo "delivered a message; Check Email Now, then Reply in the popup"
wine "$probe" command "$hwnd" 32774
for _ in $(seq 120); do [ "$(popup_opaque)" = yes ] && break; sleep 0.25; done
[ "$(popup_opaque)" = yes ] || { echo "demo: the popup did not show" >&2; exit 1; }
wine "$probe" popup-click 41 168  # the Reply button of the footer
record="$run/prefix/drive_c/demo-browser.txt"
for _ in $(seq 120); do grep -q '^execute' "$record" 2>/dev/null && break; sleep 0.25; done
if grep -q '^execute' "$record" 2>/dev/null; then
  echo "the browser was asked to open the compose page:"
  grep '^execute' "$record" | sed 's/^execute [^ ]* /  /'
else
  echo "demo: the browser was not asked to open the compose page" >&2
  exit 1
fi
wine "$probe" send-exit "$hwnd" >/dev/null || true
