#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes a screenshot of each window under Xvfb into docs/, for the README.
#   scripts/screenshots.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}

need=()
command -v import >/dev/null || need+=(imagemagick)
command -v xwininfo >/dev/null || need+=(x11-utils)
command -v xvfb-run >/dev/null || need+=(xvfb xauth)
command -v xdotool >/dev/null || need+=(xdotool)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

mkdir -p "$root/docs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/shoot.sh" <<'INNER'
set -euo pipefail
build=$1; out=$2; work=$3
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"

# window TITLE: the id of the window with that title once it is there (at most 10 s), else empty.
window() {
  local id=""
  for _ in $(seq 100); do
    id=$(xwininfo -root -tree 2>/dev/null | awk -v t="\"$1\"" 'index($0, t) {print $1; exit}')
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}

# shoot TITLE FILE COMMAND...: starts a program, waits for its window, captures it, ends it.
shoot() {
  local title=$1 file=$2; shift 2
  "$@" >"$work/log" 2>&1 &
  local pid=$!
  local id
  id=$(window "$title")
  [ -n "$id" ] || { echo "no window \"$title\""; cat "$work/log"; kill $pid; return 1; }
  sleep 1.5
  if [ -n "${BEFORE_CAPTURE:-}" ]; then "$BEFORE_CAPTURE" "$id"; fi
  import -window "$id" "$out/$file"
  kill $pid; wait $pid 2>/dev/null || true
  echo "captured $file"
}

shoot "Virtual display - COM1" vfdsim.png "$build/apps/vfdsim/vfdsim" --port 1 --state "$work/display.bin"
shoot "Zoravel_V3.1" zoravel.png "$build/apps/zoravel/zoravel"
# The character page with a character drawn from the keyboard: the preview marks it in amber
# until it is stored.
draw_character() {
  local id=$1
  # The page's tab, then from the tab bar: Tab to the grid, Tab to the code box.
  xdotool mousemove --window "$id" 266 225 click 1; sleep 0.3
  xdotool key --window "$id" Tab Tab; sleep 0.2
  xdotool type --window "$id" 41
  xdotool key --window "$id" shift+Tab space
  for _ in 1 2 3 4; do xdotool key --window "$id" Right Down space; done
  xdotool key --window "$id" Down Down space
  for _ in 1 2 3 4; do xdotool key --window "$id" Left Up space; done
  xdotool key --window "$id" Up space
  sleep 0.5
}
BEFORE_CAPTURE=draw_character shoot "Zoravel_V3.1" zoravel-preview.png "$build/apps/zoravel/zoravel"
# A port typed as a long path: the device line beneath keeps its one line and every control its
# place (compare with zoravel.png).
long_port() {
  local id=$1
  xdotool mousemove --window "$id" 300 50 click 1; sleep 0.2
  xdotool key --window "$id" ctrl+a
  xdotool type --window "$id" /run/user/1000/adapters/by-site/line-3/station-7/usb-serial-A1B2C3-if00
  sleep 0.5
}
BEFORE_CAPTURE=long_port shoot "Zoravel_V3.1" zoravel-long-port.png "$build/apps/zoravel/zoravel"
if [ -x "$build/apps/tymbrik/tymbrik" ]; then
  "$build/apps/vfdsim/vfdsim" --headless --port 1 --state "$work/display.bin" >/dev/null 2>&1 &
  sim=$!
  sleep 1
  (cd "$build/apps/tymbrik" && shoot "Tymbrik" tymbrik.png ./tymbrik)
  kill $sim
  # The Results window over a station's records, made by the tests' station program.
  if [ -x "$build/tests/records/record_station" ]; then
    "$build/tests/records/record_station" add "$work/records.sqlite" 14 "station 3" >/dev/null
    (cd "$build/apps/tymbrik" && ./tymbrik --records "$work/records.sqlite" >"$work/log" 2>&1) &
    main=$(window Tymbrik)
    sleep 1.5
    xdotool mousemove --window "$main" 547 635 click 1
    results=$(window Results)
    sleep 1
    [ -n "$results" ] && import -window "$results" "$out/results.png" && echo "captured results.png"
    pkill -f "tymbrik --records" || true
  fi
fi
INNER
xvfb-run -a -s "-screen 0 1600x1200x24" bash "$work/shoot.sh" "$build" "$root/docs" "$work"
