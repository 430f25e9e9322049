#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts Zoravel (or Tymbrik: scripts/start.sh tymbrik)
# beside the virtual display, on the port the display took: the first number that no serial
# port of the computer has, "Com 1" on most machines.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tool=${1:-zoravel}

"$root/scripts/setup.sh"
VFD_TARGETS="zoravel tymbrik vfdsim" "$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
bin="$root/build/apps"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display server found (DISPLAY is not set). Start this from a desktop session," >&2
  echo "or run it under xvfb-run to try it without a screen." >&2
  exit 1
fi

log=$(mktemp)
"$bin/vfdsim/vfdsim" >"$log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 50); do
  grep -q "Virtual display on" "$log" && break
  sleep 0.1
done
grep "Virtual display on" "$log" || { cat "$log"; exit 1; }
number=$(sed -n 's/.*Virtual display on COM\([0-9]*\).*/\1/p' "$log" | head -1)
"$bin/$tool/$tool" --port "Com $number"
