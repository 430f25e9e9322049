#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows leg: builds the Windows programs, tests and packages (scripts/windows/build.sh,
# which builds Qt for Windows first when its cache is missing), then under Wine
#  - the unit and widget tests (CTest runs each .exe through Wine; the exit code is the verdict),
#  - the end-to-end run against the virtual display through a Wine COM port,
#  - the installer, silently, and the installed programs.
# The virtual display comes from the Linux build in build/, made here when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VFD_WINDOWS_BUILD:-$root/build-windows}
status=0

SECONDS=0
"$root/scripts/windows/build.sh" >/dev/null
echo "== Windows build and packages: ${SECONDS} s"

if [ ! -x "$root/build/apps/vfdsim/vfdsim" ]; then
  "$root/scripts/build.sh" "$root/build" -DVFD_WARNINGS_AS_ERRORS=ON
fi

SECONDS=0
echo "== Windows unit and widget tests under Wine"
ctest --test-dir "$build/x64" --output-on-failure --timeout 300 -j2 || status=1
echo "   (${SECONDS} s)"

SECONDS=0
echo "== Windows end to end under Wine, through COM5"
"$root/tests/windows/wine_e2e.sh" "$root/build" "$build/x64" || status=1
echo "   (${SECONDS} s)"

SECONDS=0
echo "== the installer under Wine"
"$root/tests/windows/wine_install.sh" "$build/x64" "$root"/dist/vfd-tools-*-setup.exe || status=1
echo "   (${SECONDS} s)"
exit $status
