#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package: a Release build without tests in build-pkg, then `cpack -G DEB`.
# Progress goes to standard error; standard output is the path of the .deb alone, so
# `deb=$(scripts/package.sh)` works. scripts/package.sh [extra cmake arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build-pkg"
jobs=${VFD_JOBS:-2}

"$root/scripts/setup.sh" >&2

# Debian's build flags (stack protector, fortified functions, read-only relocations bound at
# start-up), as Debian packages are built; without -g, as the programs are stripped. Given on
# every run, so that a changed dpkg-buildflags never leaves old flags in the cache.
cd "$root"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export DEB_CXXFLAGS_MAINT_STRIP=-g
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVFD_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  "$@" >&2
cmake --build "$dir" -j"$jobs" >&2
rm -f "$dir"/vfd-tools_*.deb
(cd "$dir" && cpack -G DEB) >&2

debs=("$dir"/vfd-tools_*.deb)
echo "${debs[0]}"
