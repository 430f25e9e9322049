#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test: once in a normal build and once with
# AddressSanitizer and UndefinedBehaviorSanitizer, with the formatting and clang-tidy checks
# between the two.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
"$root/scripts/check-data.sh"

status=0
run_suite() {
  local dir=$1
  shift
  echo "== build $dir"
  "$root/scripts/build.sh" "$dir" "$@"
  echo "== test $dir"
  ctest --test-dir "$dir" --output-on-failure --timeout 300 -j2 || status=1
}

run_suite "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== lint"
"$root/scripts/lint.sh" "$root/build" || status=1
if [ "${VFD_SKIP_SANITIZE:-0}" != 1 ]; then
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=address,undefined
fi
exit $status
