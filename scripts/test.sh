#!/usr/bin/env bash
# Runs every test tier and fails if any fails or is skipped:
#   1. the 32-bit Windows tree: built, and its binaries checked (this machine
#      cannot run 32-bit Windows programs);
#   2. native unit tests (ASan and UBSan) and the stand-in host's tests;
#   3. the same unit tests built and run as 32-bit programs (-m32);
#   4. the fuzz harnesses over their seeds (clang, libFuzzer);
#   5. the Windows tests and the end-to-end scenarios under Wine, each in a
#      throw-away Wine prefix on a private Xvfb display (scripts/windows-tier.sh).
# The Windows trees are built first (the 64-bit packages carry the 32-bit
# control); the Windows tier, which mostly waits on windows and timers, runs
# while the other trees are built and tested. Each tier's log is printed
# whole when the tier ends.
# Installs what the machine lacks first (scripts/deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Nothing here reads input. A closed standard input (as CI may give) would
# let the next file a program opens become its descriptor 0.
exec </dev/null
"$root/scripts/deps.sh"

# The scripts and helpers fail instead of skipping when a tool is missing.
export QP_REQUIRE_ALL=1
jobs=$(nproc)
logs=$(mktemp -d)
windows_pid=""
cleanup() {
  if [ -n "$windows_pid" ]; then
    kill -TERM "$windows_pid" 2>/dev/null || true
    wait "$windows_pid" 2>/dev/null || true
  fi
  rm -rf "$logs"
}
trap cleanup EXIT
started=$(date +%s)
elapsed() { echo "$(( $(date +%s) - started )) s"; }

# verdict NAME LOG STATUS: "NAME: passed" or "NAME: FAILED"; a tier with a
# skipped test fails.
verdict() {
  local status=$3
  if grep -q -E '\*\*\*Skipped|Not Run' "$2"; then
    echo "test.sh: tests of the $1 tier were skipped" >&2
    status=1
  fi
  if [ "$status" -eq 0 ]; then echo "$1: passed"; else echo "$1: FAILED"; fi
}

summary=()
echo "== the 32-bit Windows tree: built and its binaries checked ($(elapsed))"
# Checked, not run or debugged here: built without debugging information,
# which saves time.
cmake -S "$root" -B "$root/build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
status=0
{ cmake --build "$root/build/win32" -j "$jobs" &&
  ctest --test-dir "$root/build/win32" --output-on-failure --no-tests=error; } \
  2>&1 | tee "$logs/win32" || status=1
summary+=("$(verdict win32 "$logs/win32" $status)")

echo "== building the Windows tree ($(elapsed))"
cmake --no-warn-unused-cli -S "$root" -B "$root/build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DQP_WIN32_TREE="$root/build/win32" >/dev/null
cmake --build "$root/build/win64" -j "$jobs"

echo "== Windows tests and scenarios under Wine: started, their log follows when they end ($(elapsed))"
"$root/scripts/windows-tier.sh" "$root/build/win64" >"$logs/windows" 2>&1 &
windows_pid=$!

echo "== native unit tests ($(elapsed))"
cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Debug -DQP_SANITIZE=ON >/dev/null
status=0
{ cmake --build "$root/build/native" -j "$jobs" &&
  ctest --test-dir "$root/build/native" --output-on-failure --no-tests=error -j "$jobs"; } \
  2>&1 | tee "$logs/native" || status=1
summary+=("$(verdict native "$logs/native" $status)")

echo "== native unit tests as 32-bit programs ($(elapsed))"
# Unoptimised like the 64-bit tree, without its debugging information (the
# sanitizers still name the functions), which saves time.
cmake -S "$root" -B "$root/build/native32" -DCMAKE_BUILD_TYPE=Debug -DQP_SANITIZE=ON \
  -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 -DCMAKE_C_FLAGS_DEBUG=-O0 -DCMAKE_CXX_FLAGS_DEBUG=-O0 >/dev/null
status=0
{ cmake --build "$root/build/native32" -j "$jobs" &&
  ctest --test-dir "$root/build/native32" --output-on-failure --no-tests=error -j "$jobs"; } \
  2>&1 | tee "$logs/native32" || status=1
summary+=("$(verdict native32 "$logs/native32" $status)")

echo "== fuzz harnesses ($(elapsed))"
cmake -S "$root" -B "$root/build/fuzz" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQP_FUZZ=ON >/dev/null
status=0
{ cmake --build "$root/build/fuzz" -j "$jobs" --target fuzzers &&
  ctest --test-dir "$root/build/fuzz" -L fuzz --output-on-failure --no-tests=error -j "$jobs"; } \
  2>&1 | tee "$logs/fuzz" || status=1
summary+=("$(verdict fuzz "$logs/fuzz" $status)")

echo "== Windows tests and scenarios under Wine: waiting for them ($(elapsed))"
status=0
wait "$windows_pid" || status=1
windows_pid=""
cat "$logs/windows"
summary+=("$(verdict windows "$logs/windows" $status)")

echo "== all tiers ended ($(elapsed))"
printf '%s\n' "${summary[@]}"
! printf '%s\n' "${summary[@]}" | grep -q FAILED
