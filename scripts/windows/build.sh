#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds both tools, the command line and their tests for 64-bit Windows from Debian, and packs
# what a Windows user installs into dist/: a zip and an installer made with NSIS.
#
#   scripts/windows/build.sh            Qt for Windows (cached), the build in build-windows, dist/
#
# Qt for Windows comes from scripts/windows/qt.sh, which builds it once into a cache outside the
# checkout. The code-page and font generators run on the build machine, so a small host build
# in build-windows/host makes them first.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
jobs=${VFD_JOBS:-2}
build=${VFD_WINDOWS_BUILD:-$root/build-windows}
dist=$root/dist

"$root/scripts/setup.sh" >&2
packages=(g++-mingw-w64-x86-64-posix wine64 nsis zip librsvg2-bin icoutils googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

qt=$("$root/scripts/windows/qt.sh")

echo "== the generators, for this machine" >&2
cmake -S "$root" -B "$build/host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVFD_BUILD_TESTS=OFF \
  -DVFD_BUILD_APPS=OFF >&2
cmake --build "$build/host" -j "$jobs" --target vfd_make_code_pages vfd_make_character_tables >&2

echo "== the programs and tests, for Windows" >&2
# A tree configured against another Qt (a changed option builds a new one) keeps that Qt's paths in
# its cache, so it starts again.
if [ "$(cat "$build/x64/qt-prefix" 2>/dev/null)" != "$qt" ]; then
  rm -rf "$build/x64"
  mkdir -p "$build/x64"
  echo "$qt" >"$build/x64/qt-prefix"
fi
"$qt/bin/qt-cmake" -S "$root" -B "$build/x64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DVFD_HOST_TOOLS="$build/host/src/device;$build/host/src/sim" \
  -DVFD_WARNINGS_AS_ERRORS=ON >&2
cmake --build "$build/x64" -j "$jobs" >&2

echo "== the zip and the installer" >&2
version=$(sed -n 's/^project(VfdTools VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name=vfd-tools-$version-windows-x64
stage=$build/stage/$name
rm -rf "$build/stage"
mkdir -p "$stage"/{platforms,styles,sqldrivers} "$dist"
for exe in zoravel tymbrik vfdctl; do
  cp "$build/x64/$exe.exe" "$stage/"
done
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6SerialPort Qt6Sql; do
  cp "$qt/bin/$dll.dll" "$stage/"
done
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$qt/plugins/sqldrivers/qsqlite.dll" "$stage/sqldrivers/"
cp /usr/lib/gcc/x86_64-w64-mingw32/12-posix/{libstdc++-6,libgcc_s_seh-1}.dll \
  /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
# The range files lie beside the test tool, where it looks for them after the working folder.
cp "$root"/data/ranges/{80-9F,A0-BF,C0-DF,E0-FF} "$stage/"
# Debug symbols are of no use to a user and triple the download.
find "$stage" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded
cp "$root/LICENSE" "$stage/LICENSE.txt"
cp "$root/README.md" "$stage/README.md"
# The icons the build made for the programs, for the Start-menu entries.
for app in zoravel tymbrik; do
  cp "$build/x64/apps/$app/$app.ico" "$stage/"
done

rm -f "$dist/$name.zip" "$dist/$name-setup.exe"
(cd "$build/stage" && zip -qr9 "$dist/$name.zip" "$name")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$dist/$name-setup.exe" \
  "$root/data/windows/vfd-tools.nsi" >&2
echo "$dist/$name.zip"
echo "$dist/$name-setup.exe"
