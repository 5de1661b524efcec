#!/usr/bin/env bash
# Creates a Wine prefix for tests or the demo: a fresh wineboot, no Mono or
# Gecko prompts, and a virtual desktop named "Quillpost" (1024x768) that every
# program joins, so that the notification area, balloons and the popup's
# corner placement exist as on a Windows desktop. Usage: wine-prefix.sh DIR
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh DIR}
# Wine without address-space randomisation (scripts/no-aslr.sh says why).
[ -n "${QP_NO_RANDOMIZE:-}" ] || exec "$(dirname "$0")/no-aslr.sh" "$0" "$@"
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
