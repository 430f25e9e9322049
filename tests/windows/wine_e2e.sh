#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows programs end to end under Wine, through the Windows serial API as Wine implements
# it: the virtual display runs on Linux, and the Wine prefix's COM5 is its pseudo-terminal.
# Each case runs the Windows build of a program and checks what it said and what the display
# shows.
#
#   tests/windows/wine_e2e.sh LINUX_BUILD WINDOWS_BUILD
#
# LINUX_BUILD holds the virtual display (apps/vfdsim/vfdsim); WINDOWS_BUILD the cross build
# (the .exe files, which Qt puts together in its top folder, and wine-run).
set -uo pipefail
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
vfdsim=$linux/apps/vfdsim/vfdsim
run=$windows/wine-run
for need in "$vfdsim" "$run" "$windows/vfdctl.exe" "$windows/tymbrik_station.exe"; do
  [ -e "$need" ] || { echo "FAIL: $need is missing (build both trees first)"; exit 1; }
done

scratch=$(mktemp -d /tmp/vfd-wine-e2e-XXXXXX)
export XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$XDG_RUNTIME_DIR"
export WINEPREFIX=$windows/wine
sim_pid=
failures=0
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# Starts the virtual display on port 5 and links Wine's COM5 to its pseudo-terminal.
start_display() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  : >"$scratch/display.txt"
  "$vfdsim" --headless --port 5 --state "$scratch/display.bin" "$@" >"$scratch/display.txt" 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do
    grep -q "Virtual display on" "$scratch/display.txt" && break
    sleep 0.1
  done
  local pty
  pty=$(sed -n 's/.*Virtual display on .* (\(\/dev\/[^)]*\)).*/\1/p' "$scratch/display.txt" | head -1)
  if [ -z "$pty" ]; then
    echo "FAIL: the virtual display did not start:"
    cat "$scratch/display.txt"
    exit 1
  fi
  # Wine's own way to give a port a device: its mount manager makes the dosdevices link and
  # lists the port among the system's serial ports (where QueryDosDevice and the port search
  # find it) when Wine next starts. A link made by hand opens, but the system does not list it.
  "$run" reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$pty" /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}

# check NAME EXPECTED-EXIT-CODE TEXT-THE-OUTPUT-HAS -- COMMAND...
check() {
  local name=$1 code=$2 want=$3
  shift 4
  local out status
  out=$(cd "$scratch" && timeout 120 "$run" "$@" 2>&1)
  status=$?
  if [ "$status" -ne "$code" ] || ! grep -qF -- "$want" <<<"$out"; then
    echo "FAIL: $name (exit code $status, expected $code; expected \"$want\" in:)"
    sed 's/^/    /' <<<"$out"
    failures=$((failures + 1))
    return 1
  fi
  echo "ok:   $name"
}

# The display has shown TEXT since the mark.
shows() {
  local name=$1 want=$2
  for _ in $(seq 30); do
    tail -c +"$mark" "$scratch/display.txt" | grep -qF -- "$want" && { echo "ok:   $name"; return 0; }
    sleep 0.1
  done
  echo "FAIL: $name: the display did not show \"$want\":"
  tail -c +"$mark" "$scratch/display.txt" | tail -5 | sed 's/^/    /'
  failures=$((failures + 1))
}
mark_display() { mark=$(($(stat -c %s "$scratch/display.txt") + 1)); }

vfdctl=$windows/vfdctl.exe
station=$windows/tymbrik_station.exe

start_display
check "identity through COM5" 0 "PID:3524" -- "$vfdctl" identify --port "Com 5"
check "serial number through COM5" 0 "VD" -- "$vfdctl" serial --port "Com 5"

check "make a settings file" 0 "" -- "$vfdctl" make --message1 "WINE COM5" -o made.vfd
check "download through COM5" 0 "" -- "$vfdctl" download made.vfd --port "Com 5"
check "upload through COM5" 0 "" -- "$vfdctl" upload back.vfd --port "Com 5"
if cmp -s "$scratch/made.vfd" "$scratch/back.vfd"; then
  echo "ok:   the settings read back are the ones downloaded"
else
  echo "FAIL: the settings read back differ from the ones downloaded"
  failures=$((failures + 1))
fi

mark_display
check "text through COM5" 0 "" -- "$vfdctl" text --port "Com 5" "HELLO FROM WINE"
shows "the display shows the text" "HELLO FROM WINE"

# Tymbrik's window, offscreen, its operator pressing OK: the range test and the screen test.
mark_display
check "range test (Send 0x80-0x9F) in Tymbrik's window" 0 "done" -- \
  "$station" --records 'Z:'"$scratch"'/records.sqlite' --port 5 --click Command3
shows "the display shows code page 437's upper half" "ÇüéâäàåçêëèïîìÄÅ"
mark_display
check "screen test in Tymbrik's window" 0 "shown OK!" -- \
  "$station" --records 'Z:'"$scratch"'/records.sqlite' --port 5 --runs 1
shows "the display showed all dots on" "████████████████████"

# A display that does not answer, and one whose line is lost in the middle of an exchange.
start_display --no-reply
check "no answer: the wait ends with its exit code" 4 "" -- "$vfdctl" identify --port "Com 5"
start_display --hang-up-after 1
check "line lost: the exchange ends with its exit code" 6 "" -- "$vfdctl" identify --port "Com 5"

if [ "$failures" -ne 0 ]; then
  echo "$failures Windows end-to-end cases failed"
  exit 1
fi
echo "every Windows end-to-end case passed"
