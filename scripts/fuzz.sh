#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) in
# build-fuzz and runs each for a bounded time on a copy of its kept seed corpus, so a run never
# changes fuzz/corpus. Any crash, leak, timeout or out-of-memory fails the script; the input that
# caused it is left under build-fuzz/crashes/ and the run's log under build-fuzz/logs/.
#
#   scripts/fuzz.sh                   every target, FUZZ_SECONDS (default 30) seconds each
#   scripts/fuzz.sh display_input_fuzz
#   build-fuzz/fuzz/<target> build-fuzz/crashes/<file>   replays one saved input
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${FUZZ_SECONDS:-30}
jobs=${VFD_JOBS:-2}
build="$root/build-fuzz"

# Each target with the longest input it is given: a settings file is 126 bytes, an upload reply
# 127 plus its script, and the virtual display takes whole downloads among other commands.
declare -A max_len=(
  [settings_file_fuzz]=512
  [upload_reply_fuzz]=512
  [identity_reply_fuzz]=512
  [display_input_fuzz]=1024
)
all_targets=(settings_file_fuzz upload_reply_fuzz identity_reply_fuzz display_input_fuzz)
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=("${all_targets[@]}")
fi
for t in "${targets[@]}"; do
  if [ -z "${max_len[$t]:-}" ]; then
    echo "fuzz: unknown target $t (targets: ${all_targets[*]})" >&2
    exit 2
  fi
done

VFD_WITH_FUZZ=1 "$root/scripts/setup.sh"

echo "== build $build"
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVFD_FUZZ=ON -DVFD_BUILD_TESTS=OFF -DVFD_BUILD_APPS=OFF -DVFD_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build" --target "${targets[@]}" -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
if command -v llvm-symbolizer >/dev/null; then
  ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer)
  export ASAN_SYMBOLIZER_PATH
fi

mkdir -p "$build/crashes" "$build/logs"
passed=0
failed=0
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  rm -rf "$work"
  mkdir -p "$work"
  cp -R "$root/fuzz/corpus/$t/." "$work/"
  log="$build/logs/$t.log"
  started="$build/logs/$t.started"
  touch "$started"
  echo "== fuzz $t for ${seconds} s"
  status=0
  "$build/fuzz/$t" -max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/crashes/$t-" \
    "$work" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  inputs=$(find "$work" -type f | wc -l)
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    echo "fuzz: $t passed: ${runs:-?} runs, corpus ${inputs} inputs"
  else
    failed=$((failed + 1))
    tail -n 60 "$log"
    kept=$(find "$build/crashes" -type f -name "$t-*" -newer "$started" | tr '\n' ' ')
    echo "fuzz: $t FAILED (exit $status) after ${runs:-?} runs; input: ${kept:-none}; log: $log"
  fi
done

echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
