#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds one tree: scripts/build.sh DIR [extra cmake arguments]
# VFD_TARGETS limits the build to some targets (default: everything).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
shift || true
jobs=${VFD_JOBS:-2}
cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
targets=()
for t in ${VFD_TARGETS:-}; do
  targets+=(--target "$t")
done
cmake --build "$dir" -j"$jobs" "${targets[@]}"
