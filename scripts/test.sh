#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test: in a normal build, in a Release build and
# with AddressSanitizer and UndefinedBehaviorSanitizer, with the formatting and clang-tidy checks
# after the first. Warnings are errors in all three.
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

# Warnings are errors here, though not in a user's build.
strict=-DVFD_WARNINGS_AS_ERRORS=ON
run_suite "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$strict"
echo "== lint"
"$root/scripts/lint.sh" "$root/build" || status=1
# The optimiser of a Release build warns about things the others never see.
if [ "${VFD_SKIP_RELEASE:-0}" != 1 ]; then
  run_suite "$root/build-release" -DCMAKE_BUILD_TYPE=Release "$strict"
fi
if [ "${VFD_SKIP_SANITIZE:-0}" != 1 ]; then
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=address,undefined "$strict"
fi
exit $status
