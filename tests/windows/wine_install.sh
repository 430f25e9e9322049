#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installer under Wine: installs silently (/S) into a Wine prefix of its own, the programs
# start from the installed folder and print their version, the uninstaller is listed where the
# system's Apps list looks, and it removes everything silently.
#
#   tests/windows/wine_install.sh WINDOWS_BUILD SETUP.EXE
set -uo pipefail
windows=$(cd "$1" && pwd)
setup=$(realpath "$2")
run=$windows/wine-run
[ -f "$setup" ] || { echo "FAIL: no installer at $setup (scripts/windows/build.sh makes it)"; exit 1; }
export WINEPREFIX=$(mktemp -d /tmp/vfd-wine-install-XXXXXX)
trap 'rm -rf "$WINEPREFIX"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The installed programs must find their own DLLs and plugins, not the build's.
export VFD_WINE_BARE=1
"$run" "$setup" /S
folder="$WINEPREFIX/drive_c/Program Files/VFD Tools"
for f in zoravel.exe tymbrik.exe vfdctl.exe uninstall.exe Qt6Core.dll platforms/qwindows.dll \
  styles/qwindowsvistastyle.dll sqldrivers/qsqlite.dll libstdc++-6.dll LICENSE.txt 80-9F; do
  [ -f "$folder/$f" ] || fail "the installer left out $f"
done
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VFD Tools"
for f in Zoravel.lnk Tymbrik.lnk; do
  [ -f "$menu/$f" ] || fail "no Start-menu entry $f"
done
[ "$failures" -eq 0 ] && echo "ok:   installed silently, with its Start-menu entries"

# Run from the installed folder alone: Qt, its plugins and the compiler's runtime come from there.
for exe in vfdctl zoravel tymbrik; do
  out=$("$run" "C:\\Program Files\\VFD Tools\\$exe.exe" --version 2>&1)
  if grep -q "3\.[0-9]" <<<"$out"; then
    echo "ok:   the installed $exe starts: $(head -1 <<<"$out")"
  else
    fail "the installed $exe did not start: $out"
  fi
done

if "$run" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\vfd-tools' \
  /v UninstallString 2>/dev/null | grep -q uninstall.exe; then
  echo "ok:   the uninstaller is listed in the Apps list"
else
  fail "the uninstaller is not listed"
fi

# NSIS's uninstaller copies itself away and returns at once; wait for it to finish.
"$run" "C:\\Program Files\\VFD Tools\\uninstall.exe" /S
/usr/lib/wine/wineserver -w
if [ -e "$folder/zoravel.exe" ] || [ -e "$menu" ]; then
  fail "the uninstaller left the programs or the Start-menu entries behind"
else
  echo "ok:   uninstalled silently"
fi

[ "$failures" -eq 0 ] || { echo "$failures installer checks failed"; exit 1; }
echo "the installer passed"
