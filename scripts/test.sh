#!/usr/bin/env bash
# Runs every test tier and fails if any fails or is skipped:
#   1. native unit tests (ASan and UBSan) and the stand-in host's tests;
#   2. the fuzz harnesses for a short bounded run (clang, libFuzzer);
#   3. the Windows tests and the end-to-end scenarios under Wine, in a
#      throw-away Wine prefix on a private Xvfb display.
# Installs what the machine lacks first (scripts/deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"

# The scripts and helpers fail instead of skipping when a tool is missing.
export QP_REQUIRE_ALL=1
jobs=$(nproc)
summary=()
failed=0

run_ctest() {  # name, ctest arguments...
  local name=$1 log status=0
  shift
  log=$(mktemp)
  ctest --output-on-failure --no-tests=error "$@" 2>&1 | tee "$log" || status=1
  if grep -q -E '\*\*\*Skipped|Not Run' "$log"; then
    echo "test.sh: tests of the $name tier were skipped" >&2
    status=1
  fi
  rm -f "$log"
  summary+=("$name: $([ $status -eq 0 ] && echo passed || echo FAILED)")
  [ $status -eq 0 ] || failed=1
}

echo "== native unit tests"
cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Debug -DQP_SANITIZE=ON >/dev/null
cmake --build "$root/build/native" -j "$jobs"
run_ctest native --test-dir "$root/build/native" -j "$jobs"

echo "== fuzz harnesses"
cmake -S "$root" -B "$root/build/fuzz" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQP_FUZZ=ON >/dev/null
cmake --build "$root/build/fuzz" -j "$jobs" --target fuzzers
run_ctest fuzz --test-dir "$root/build/fuzz" -L fuzz -j "$jobs"

echo "== Windows tests and scenarios under Wine"
cmake -S "$root" -B "$root/build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$root/build/win64" -j "$jobs"

run=$(mktemp -d "$root/build/win64/run.XXXXXX")
xvfb_pid=""
cleanup() {
  WINEPREFIX="$run/prefix" wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
# A private display: the number Xvfb picks is written to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$run/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$run/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$run/display")"
"$root/scripts/wine-prefix.sh" "$run/prefix"
export WINEPREFIX="$run/prefix"
# One at a time: the scenarios count the notifier's processes and windows.
run_ctest windows --test-dir "$root/build/win64" -j 1

printf '%s\n' "${summary[@]}"
exit $failed
