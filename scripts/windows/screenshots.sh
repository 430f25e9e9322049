#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of both tools as Windows programs under Wine (its own window decorations and Qt's
# Windows style), under Xvfb, from the packaged folder a user unpacks from the zip, into docs/.
#   scripts/windows/screenshots.sh      (after scripts/windows/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VFD_WINDOWS_BUILD:-$root/build-windows}
stage=$(ls -d "$build"/stage/vfd-tools-*-windows-x64 | head -1)
run=$build/x64/wine-run
[ -d "$stage" ] || { echo "no packaged folder under $build/stage: run scripts/windows/build.sh"; exit 1; }

need=()
command -v import >/dev/null || need+=(imagemagick)
command -v xwininfo >/dev/null || need+=(x11-utils)
command -v xvfb-run >/dev/null || need+=(xvfb xauth)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/shoot.sh" <<'INNER'
set -euo pipefail
stage=$1; run=$2; out=$3; work=$4
export WINEPREFIX=$work/wine VFD_WINE_BARE=1 QT_QPA_PLATFORM=windows
"$run" cmd /c exit >/dev/null 2>&1 || true

# shoot TITLE FILE PROGRAM: starts it from the packaged folder, waits for its window (Wine's first
# start takes a while), captures it, ends it.
shoot() {
  local title=$1 file=$2 program=$3 id=""
  # Under Wine, Qt's default Windows font engine draws no text in line edits (the editable
  # lists among them); its FreeType engine does.
  (cd "$stage" && "$run" "$program" -platform windows:fontengine=freetype) >"$work/log" 2>&1 &
  for _ in $(seq 300); do
    id=$(xwininfo -root -tree 2>/dev/null | awk -v t="\"$title\"" 'index($0, t) {print $1; exit}')
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no window \"$title\""; cat "$work/log"; return 1; }
  sleep 3
  import -window "$id" "$out/$file"
  /usr/lib/wine/wineserver -k || true
  wait 2>/dev/null || true
  echo "captured $file"
}
shoot "Zoravel_V3.1" windows-zoravel.png zoravel.exe
shoot "Tymbrik" windows-tymbrik.png tymbrik.exe
INNER
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/shoot.sh" "$stage" "$run" "$root/docs" "$work"
