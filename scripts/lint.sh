#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that every source file carries its licence line and every C++ file its formatting
# (.clang-format), and runs clang-tidy with the checked-in .clang-tidy on every source file of
# src/ and apps/. Any finding fails.
#   scripts/lint.sh [build dir with compile_commands.json]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
cd "$root"

# Every source file names its licence in its first lines.
missing=0
while IFS= read -r f; do
  if ! head -n 2 "$f" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later'; then
    echo "$f: no SPDX-License-Identifier line at the top" >&2
    missing=1
  fi
done < <(git ls-files '*.cpp' '*.h' '*CMakeLists.txt' '*.cmake' '*.sh' '.ci/run' 'data/man/*' \
  'data/metainfo/*' 'data/desktop/*' 'data/icons/*')
[ "$missing" = 0 ] || exit 1

mapfile -t cxx < <(git ls-files '*.cpp' '*.h')
echo "== clang-format (${#cxx[@]} files)"
clang-format --dry-run -Werror "${cxx[@]}"

if [ ! -f "$dir/compile_commands.json" ]; then
  echo "no $dir/compile_commands.json: build first (scripts/build.sh $dir)" >&2
  exit 1
fi
# The Windows port adapter is built by the Windows build only; this compile database has no
# command for it.
mapfile -t sources < <(git ls-files 'src/*.cpp' 'apps/*.cpp' ':!src/link/win/*')
echo "== clang-tidy (${#sources[@]} files)"
# Each file on its own, two at a time; the first finding fails the run, and every file is still
# checked so that one run shows them all.
printf '%s\n' "${sources[@]}" |
  xargs -P "${VFD_JOBS:-2}" -I{} clang-tidy --quiet -p "$dir" --warnings-as-errors='*' {} \
    2> >(grep -v '^[0-9]* warnings\? generated\.$' >&2)
