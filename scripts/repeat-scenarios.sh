#!/usr/bin/env bash
# Finds flaky Windows tests before CI does: runs the Windows tier N times,
# whole and in its usual order, or only the tests whose names match REGEX,
# with one core kept busy the whole time. Every test of every round runs in
# a fresh prefix and display (scripts/windows-tier.sh). Prints a table: test,
# runs, failures, and for each failure the round and its first failing line.
# Each round's log stays in build/win64/repeat/round-K.log, the photographs
# of its failures in round-K-failures/.
#
# Usage: repeat-scenarios.sh [-n N] [-j J] [REGEX]
#   -n N   rounds (default 5)
#   -j J   tests side by side (default: as the test command, 3)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=5
jobs=${QP_WINDOWS_JOBS:-3}
while getopts "n:j:h" option; do
  case $option in
    n) rounds=$OPTARG ;;
    j) jobs=$OPTARG ;;
    *) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
pattern=${1:-}
[[ $rounds =~ ^[1-9][0-9]*$ && $jobs =~ ^[1-9][0-9]*$ ]] || { echo "repeat-scenarios: -n and -j take positive numbers" >&2; exit 2; }

"$root/scripts/deps.sh"
build=$root/build/win64
cmake --no-warn-unused-cli -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null || exit 1
cmake --build "$build" -j "$(nproc)" >/dev/null || { echo "repeat-scenarios: the Windows build failed" >&2; exit 1; }

# One core busy, as on a loaded machine.
bash -c 'while :; do :; done' &
busy=$!
trap 'kill $busy 2>/dev/null' EXIT

logs=$build/repeat
rm -rf "$logs"
mkdir -p "$logs"
export QP_REQUIRE_ALL=1 QP_WINDOWS_JOBS=$jobs
for round in $(seq "$rounds"); do
  echo "== round $round of $rounds"
  args=(--output-junit "$logs/round-$round.xml")
  [ -n "$pattern" ] && args+=(-R "$pattern")
  start=$(date +%s)
  QP_FAILURE_DIR="$logs/round-$round-failures" \
    "$root/scripts/windows-tier.sh" "$build" "${args[@]}" >"$logs/round-$round.log" 2>&1
  echo "   $(grep -E 'tests passed|tests failed' "$logs/round-$round.log" | tail -1) ($(( $(date +%s) - start )) s)"
done

python3 "$root/scripts/repeat_table.py" "$logs" "$rounds"
