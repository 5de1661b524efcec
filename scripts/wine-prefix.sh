#!/usr/bin/env bash
# Creates a Wine prefix for tests or the demo: a fresh wineboot, no Mono or
# Gecko prompts, and a virtual desktop named "Quillpost" (1024x768) that every
# program joins, so that the notification area, balloons and the popup's
# corner placement exist as on a Windows desktop. Usage: wine-prefix.sh DIR
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh DIR}
# Debian's Wine has no preloader to reserve the low address ranges before
# anything else is mapped: its loader sits at 0x7d000000, and with address
# randomisation the heap after it now and then lands where Wine must map
# the shared user data (0x7ffe0000). Such a start ends with 1 and "failed to
# map the shared user data: c0000018" (seen about once in 1,000 starts).
# Without randomisation the heap follows the loader, far below.
if [ -z "${QP_NO_RANDOMIZE:-}" ]; then
  QP_NO_RANDOMIZE=1 exec setarch "$(uname -m)" -R "$0" "$@"
fi
mkdir -p "$prefix"
export WINEPREFIX=$(cd "$prefix" && pwd)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1 || true
# Wine draws the title-bar buttons and scroll arrows with Marlett. Debian's
# fonts-wine puts it in /usr/share/wine/fonts, where this Wine does not look;
# in the prefix's Fonts folder every program finds it.
if [ -d "$WINEPREFIX/drive_c/windows/Fonts" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# reg.exe by its full path: "wine reg" goes through start.exe, whose
# ShellExecuteEx fails now and then under load.
reg='C:\windows\system32\reg.exe'
if ! wine "$reg" add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Quillpost /f >/dev/null 2>&1 ||
   ! wine "$reg" add 'HKCU\Software\Wine\Explorer\Desktops' /v Quillpost /t REG_SZ /d 1024x768 /f >/dev/null 2>&1; then
  echo "wine-prefix: could not set the virtual desktop in $WINEPREFIX" >&2
  exit 1
fi
wineserver -w
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-prefix: could not create a prefix in $WINEPREFIX" >&2
  exit 1
fi
