#!/usr/bin/env bash
# How much of its parser each fuzz harness reaches:
#
#   scripts/fuzz-coverage.sh [SECONDS] [HARNESS...]
#
# Builds a tree of its own, build/fuzz-coverage (clang-14, libFuzzer,
# AddressSanitizer and UBSan as in the fuzz tree, plus source-based
# coverage), then for each harness (all of fuzz/ when none is named;
# "fuzz_utf8" and "utf8" name the same one):
#   1. fuzzes for SECONDS (default 600) from a scratch copy of its seeds in
#      fuzz/corpus/<name>, with its dictionary from fuzz/CMakeLists.txt; a
#      sanitizer report or a broken check ends the run as a crash;
#   2. runs every input of the resulting corpus once with profiling on;
#   3. reports the line coverage of its target files (the table below).
# Ends with one table: harness, line coverage, corpus files and bytes, seeds,
# target files. The committed seeds are only read. What a run leaves (corpus,
# logs, profile, per-file report, crashing inputs) stays in
# build/fuzz-coverage/report/<name>/; for the covered lines themselves:
#   llvm-cov-14 show build/fuzz-coverage/fuzz/fuzz_<name> \
#     -instr-profile=build/fuzz-coverage/report/<name>/coverage.profdata FILE
#
# JOBS sets the build's parallel jobs (default: all cores); PARALLEL how many
# harnesses fuzz at the same time (default 1: each gets a core of its own
# for SECONDS). Exits non-zero when a harness crashed, or when the table or
# the build do not match fuzz/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=$root/build/fuzz-coverage
reports=$tree/report

# The files each harness exists to exercise, as paths in the repository.
# Every harness of fuzz/CMakeLists.txt needs a line here.
targets_of() {
  case $1 in
    command_line) echo notifier/app/command_line.cpp ;;
    soap_fault) echo notifier/service/soap_fault.cpp notifier/service/expat_reader.cpp ;;
    soap_decoder) echo notifier/service/soap_decoder.cpp notifier/service/expat_reader.cpp \
      notifier/service/xsd_text.cpp notifier/service/doctype_sniffer.cpp ;;
    settings) echo notifier/settings/settings.cpp notifier/settings/accessors.cpp \
      notifier/settings/scramble.cpp notifier/settings/shell_entries.cpp ;;
    qpsettings) echo tools/qpsettings/qpsettings_command.cpp ;;
    qpcall_args) echo tools/qpcall/qpcall_args.cpp ;;
    host_policy) echo control/object/host_policy.cpp control/object/ip_literal.cpp ;;
    download_entry) echo control/downloads/download_list.cpp control/downloads/download_rules.cpp \
      control/downloads/file_name.cpp control/object/extent_record.cpp control/object/page_base.cpp ;;
    page_address) echo notifier/actions/browser_launch.cpp notifier/actions/text_rewrite.cpp ;;
    popup_layout) echo notifier/popup/text_runs.cpp notifier/popup/body_layout.cpp ;;
    utf8) echo common/utf8.cpp ;;
    upload_answer) echo control/upload/multipart.cpp ;;
    cf_html_tokens) echo control/clipboard/cf_html.cpp ;;
    cf_html_cid) echo control/clipboard/cf_html_scan.h ;;
    cf_html_rewrite) echo control/clipboard/cf_html.cpp control/clipboard/cf_html_scan.h ;;
    virtual_file_list) echo control/clipboard/virtual_file_list.cpp ;;
    *) return 1 ;;
  esac
}

die() {
  echo "fuzz-coverage: $*" >&2
  exit 2
}

seconds=600
if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
[ "$seconds" -gt 0 ] || die "SECONDS must be at least 1"

for tool in clang-14 clang++-14 llvm-profdata-14 llvm-cov-14 cmake python3; do
  command -v "$tool" >/dev/null || die "$tool is missing (Debian: clang-14, llvm-14, cmake, python3)"
done

# The harnesses and their dictionaries, as fuzz/CMakeLists.txt declares them.
fuzz_list=$root/fuzz/CMakeLists.txt
mapfile -t all < <(sed -n 's/^qp_fuzzer(fuzz_\([a-z0-9_]*\) .*/\1/p' "$fuzz_list")
[ ${#all[@]} -gt 0 ] || die "no qp_fuzzer lines in $fuzz_list"
for name in "${all[@]}"; do
  files=$(targets_of "$name") || die "fuzz_$name has no target files in the table of $0"
  for f in $files; do
    [ -f "$root/$f" ] || die "fuzz_$name: target file $f does not exist"
  done
done
dict_of() {
  sed -n "s/^qp_fuzzer(fuzz_$1 .* DICT \([^ )]*\).*/\1/p" "$fuzz_list"
}

chosen=()
for arg in "$@"; do
  name=${arg#fuzz_}
  printf '%s\n' "${all[@]}" | grep -qx -- "$name" || die "no harness $arg in $fuzz_list"
  chosen+=("$name")
done
[ ${#chosen[@]} -gt 0 ] || chosen=("${all[@]}")

mkdir -p "$tree"
echo "== building ${chosen[*]/#/fuzz_} in $tree"
profile_flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S "$root" -B "$tree" \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQP_FUZZ=ON \
  -DCMAKE_C_FLAGS="$profile_flags" -DCMAKE_CXX_FLAGS="$profile_flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >"$tree/configure.log" 2>&1 ||
  { cat "$tree/configure.log" >&2; die "configuring $tree failed"; }
cmake --build "$tree" -j "${JOBS:-$(nproc)}" --target "${chosen[@]/#/fuzz_}" >"$tree/build.log" 2>&1 ||
  { tail -n 40 "$tree/build.log" >&2; die "building failed (see $tree/build.log)"; }

# One harness: fuzz, replay, report. Its output goes to report/<name>/run.log
# (when several run at once) and its table row to report/<name>/row, whose
# last field says whether it crashed or its replay failed.
run_harness() {
  local name=$1 bin=$tree/fuzz/fuzz_$1 out=$reports/$1 seeds=$root/fuzz/corpus/$1
  local seed_files=0 status=ok dict percent corpus_files corpus_bytes
  local -a options files profiles
  # Proves the profiling runtime and the sanitizers are in.
  symbols=$(nm "$bin")
  grep -q -E ' __llvm_profile_runtime$' <<<"$symbols" || die "$bin has no profiling runtime"
  grep -q -E ' __asan_init$' <<<"$symbols" || die "$bin has no AddressSanitizer"

  rm -rf "$out"
  mkdir -p "$out/corpus" "$out/crashes"
  if [ -d "$seeds" ]; then
    cp -R "$seeds/." "$out/corpus/"
    seed_files=$(find "$seeds" -type f | wc -l)
  fi
  options=(-seed=1 -max_total_time="$seconds" -artifact_prefix="$out/crashes/")
  dict=$(dict_of "$name")
  [ -z "$dict" ] || options+=(-dict="$root/fuzz/$dict")

  echo "== fuzz_$name: ${seconds}s from $seed_files seeds${dict:+, dictionary $dict}"
  # The profile of the fuzzing itself is not wanted: the replay below counts
  # each input of the corpus once.
  if ! (cd "$out" && LLVM_PROFILE_FILE="$out/fuzzing.profraw" "$bin" "${options[@]}" "$out/corpus" \
    >"$out/fuzz.log" 2>&1); then
    status="crashed, see $out/crashes"
    grep -E '^(==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' "$out/fuzz.log" | head -n 5 || true
  fi
  rm -f "$out/fuzzing.profraw"

  # Replays the corpus once: -runs=0 executes every input and stops.
  (cd "$out" && LLVM_PROFILE_FILE="$out/replay.%p.profraw" "$bin" -runs=0 "$out/corpus" \
    >"$out/replay.log" 2>&1) || status="replay failed, see $out/replay.log"
  profiles=("$out"/replay.*.profraw)
  [ -f "${profiles[0]}" ] || die "fuzz_$name wrote no profile (see $out/replay.log)"
  llvm-profdata-14 merge -sparse "${profiles[@]}" -o "$out/coverage.profdata"

  read -r -a files <<<"$(targets_of "$name")"
  llvm-cov-14 report "$bin" -instr-profile="$out/coverage.profdata" "${files[@]/#/$root/}" \
    >"$out/report.txt"
  cat "$out/report.txt"
  percent=$(llvm-cov-14 export -summary-only "$bin" -instr-profile="$out/coverage.profdata" \
    "${files[@]/#/$root/}" | python3 -c '
import json, sys
data = json.load(sys.stdin)["data"][0]
want = int(sys.argv[1])
if len(data["files"]) != want:
    sys.exit("%d of %d target files are in the coverage mapping" % (len(data["files"]), want))
lines = data["totals"]["lines"]
print("%.1f%% (%d/%d)" % (lines["percent"], lines["covered"], lines["count"]))' "${#files[@]}") ||
    die "fuzz_$name: the target files are not all compiled into $bin"
  corpus_files=$(find "$out/corpus" -type f | wc -l)
  corpus_bytes=$(find "$out/corpus" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  echo "fuzz_$name: lines $percent; corpus $corpus_files files, $corpus_bytes bytes ($status)"
  echo "fuzz_$name|$percent|$corpus_files|$corpus_bytes|$seed_files|${files[*]}|$status" >"$out/row"
}

parallel=${PARALLEL:-1}
[[ $parallel =~ ^[1-9][0-9]*$ ]] || die "PARALLEL must be a number of at least 1"
mkdir -p "$reports"
for name in "${chosen[@]}"; do
  rm -f "$reports/$name/row"
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  if [ "$parallel" -eq 1 ]; then
    run_harness "$name" &
  else
    mkdir -p "$reports/$name"
    run_harness "$name" >"$reports/$name.log" 2>&1 &
    echo "== fuzz_$name started (output in $reports/$name.log)"
  fi
done
wait
failed=0
rows=()
for name in "${chosen[@]}"; do
  row="fuzz_$name|-|-|-|-|-|did not finish"
  [ -f "$reports/$name/row" ] && row=$(cat "$reports/$name/row")
  [ "${row##*|}" = ok ] || failed=1
  rows+=("$row")
done

echo
{
  echo "harness|line coverage|corpus files|corpus bytes|seeds|target files|run"
  printf '%s\n' "${rows[@]}"
} | awk -F '|' '
  { for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) } }
  END {
    for (r = 1; r <= NR; r++) {
      line = ""
      for (i = 1; i <= NF; i++) line = line sprintf("%-*s  ", width[i], cell[r, i])
      sub(/ +$/, "", line)
      print line
    }
  }'
exit $failed
