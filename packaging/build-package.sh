#!/usr/bin/env bash
# Builds one installer package with wixl from qptnsetup.wxs, which finds the
# files it installs beside itself: they are gathered, stripped, in a folder
# of their own. QP_STRIP names a MinGW strip program (it reads both widths).
# Usage: build-package.sh OUTPUT.msi EDITION VERSION QPTN.EXE GATHERWICKAX.DLL GATHERWICKAX32.DLL
#                         QPSETTINGS.EXE QPCALL.EXE
set -euo pipefail
usage="usage: build-package.sh OUTPUT.msi EDITION VERSION QPTN.EXE GATHERWICKAX.DLL GATHERWICKAX32.DLL QPSETTINGS.EXE QPCALL.EXE"
[ $# -eq 8 ] || { echo "$usage" >&2; exit 2; }
[ -n "${QP_STRIP:-}" ] || { echo "build-package: QP_STRIP names no strip program" >&2; exit 2; }
output=$(realpath -m "$1") edition=$2 version=$3
case $edition in QX|PL) ;; *) echo "build-package: the edition is QX or PL, not '$edition'" >&2; exit 2 ;; esac
here=$(cd "$(dirname "$0")" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
names=(qptn.exe GatherwickAX.dll GatherwickAX32.dll qpsettings.exe qpcall.exe)
files=("$4" "$5" "$6" "$7" "$8")
for i in "${!names[@]}"; do
  [ -f "${files[$i]}" ] || { echo "build-package: ${files[$i]} is missing" >&2; exit 1; }
  cp "${files[$i]}" "$stage/${names[$i]}"
  # Users get the programs without the debugging information of the build.
  "$QP_STRIP" --strip-all "$stage/${names[$i]}"
done
cp "$here/qptnsetup.wxs" "$here/control_classes.wxi" "$stage/"
mkdir -p "$(dirname "$output")"
# wixl names some elements it reads but does not act on ("unimplemented")
# although it writes their rows; that line is noise here.
status=0
IFS=. read -r major minor patch <<<"$version"
number=$((major * 16777216 + minor * 65536 + patch))
(cd "$stage" && wixl -a x64 -D "Version=$version" -D "Number=$number" -D "Edition=$edition" \
  -o package.msi qptnsetup.wxs) \
  2> >(grep -v 'builder.vala:[0-9]*: unimplemented' >&2) || status=$?
if [ $status -ne 0 ] || [ ! -s "$stage/package.msi" ]; then
  echo "build-package: wixl failed ($status) for $output" >&2
  exit 1
fi
mv "$stage/package.msi" "$output"
