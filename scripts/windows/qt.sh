#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Qt 6.4.2 for 64-bit Windows with Debian's mingw-w64: qtbase from Debian's own source
# package, SQLite from Debian's sqlite3 source (Debian's qtbase has no bundled copy, and the records
# need Qt's SQLite driver) and qtserialport from the release in ../shared/third_party.
#
# The result goes into a cache folder outside the checkout, named by the Qt version and a hash of
# the options and the toolchain file, so a second run takes seconds and a changed option builds
# anew. Prints the folder on standard output; everything else goes to standard error.
#
#   scripts/windows/qt.sh            build when missing, print the prefix
#   VFD_CACHE=/path scripts/windows/qt.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
cache=${VFD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vfd-tools}
jobs=${VFD_JOBS:-2}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
serialport_tarball=${VFD_QTSERIALPORT_TARBALL:-$root/../shared/third_party/qtserialport-everywhere-src-6.4.2.tar.xz}

qt_options=(
  -DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_network=OFF -DFEATURE_xml=OFF -DFEATURE_system_zlib=OFF
  -DFEATURE_tabletevent=OFF -DINPUT_openssl=no
  -DFEATURE_sql=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=ON -DFEATURE_sql_odbc=OFF
  -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF
  # Parts of Qt the tools never use, left out to shorten a fresh build: image formats other than
  # PNG, BMP and XPM, rich-text readers and writers, PDF, Vulkan, and dialogs and widgets no window
  # has. (Direct2D stays: in Qt 6.4 the DirectWrite font engine is built only along with it.)
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF -DFEATURE_movie=OFF
  -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF -DFEATURE_textodfwriter=OFF
  -DFEATURE_pdf=OFF -DFEATURE_vulkan=OFF -DFEATURE_zstd=OFF
  -DFEATURE_colordialog=OFF -DFEATURE_fontdialog=OFF -DFEATURE_wizard=OFF -DFEATURE_mdiarea=OFF
  -DFEATURE_systemtrayicon=OFF
)
sqlite_flags=(-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS5)

key=$( (printf '%s\n' "${qt_options[@]}" "${sqlite_flags[@]}"; cat "$toolchain") | sha256sum | cut -c1-12)
prefix=$cache/qt-6.4.2-mingw64-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

log() { echo "qt.sh: $*" >&2; }
exec 3>&1 1>&2 # build output goes to standard error; only the prefix to standard output

# What the build needs, from Debian's packages; the source packages through a deb-src entry of
# our own.
packages=(g++-mingw-w64-x86-64-posix ninja-build cmake dpkg-dev xz-utils tcl qt6-base-dev
  qt6-base-dev-tools)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
src_list=/etc/apt/sources.list.d/vfd-deb-src.sources
if [ ! -f "$src_list" ]; then
  log "adding a deb-src entry for Debian's archive: $src_list"
  $sudo tee "$src_list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  $sudo apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  log "installing ${missing[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

src=$cache/src
mkdir -p "$src"
cd "$src"
if [ ! -d qt6-base-6.4.2+dfsg ]; then
  log "fetching Debian's qt6-base source"
  apt-get source -qq qt6-base=6.4.2+dfsg-10 2>&1 | tail -1
fi
if [ ! -d sqlite3-3.40.1 ]; then
  log "fetching Debian's sqlite3 source"
  apt-get source -qq sqlite3 2>&1 | tail -1
fi
if [ ! -d qtserialport-everywhere-src-6.4.2 ]; then
  [ -f "$serialport_tarball" ] || { log "qtserialport source missing: $serialport_tarball"; exit 1; }
  tar xf "$serialport_tarball"
fi

work=$cache/build-$key
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"/{bin,lib,include}
# Qt remembers the toolchain file by its path and hands it on to every project built with it
# (qt-cmake), so the copy it is given lives in the cache, not in a checkout that may move.
cp "$toolchain" "$prefix/mingw-w64-x86_64.cmake"
toolchain=$prefix/mingw-w64-x86_64.cmake

# SQLite: the amalgamation is made on the host (it needs tclsh), then compiled for Windows into a
# static library that Qt's driver plugin takes in.
# Its compile (one large file, a minute or two on one core) runs while qtbase is configured.
SECONDS=0
log "building SQLite for Windows"
mkdir -p "$work/sqlite"
(cd "$work/sqlite" && "$src/sqlite3-3.40.1/configure" --disable-tcl >/dev/null && make -s sqlite3.c >/dev/null)
cp "$work/sqlite/sqlite3.h" "$work/sqlite/sqlite3ext.h" "$prefix/include/"
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" # an empty archive until the real one is made
(x86_64-w64-mingw32-gcc-posix "${sqlite_flags[@]}" -c "$work/sqlite/sqlite3.c" -o "$work/sqlite/sqlite3.o" &&
  rm "$prefix/lib/libsqlite3.a" &&
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite/sqlite3.o") &
sqlite_job=$!

log "configuring qtbase"
cmake -S "$src/qt6-base-6.4.2+dfsg" -B "$work/qtbase" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DSQLite3_INCLUDE_DIR="$prefix/include" -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.a" \
  "${qt_options[@]}" >"$work/qtbase-configure.log" ||
  { tail -40 "$work/qtbase-configure.log"; exit 1; }
wait "$sqlite_job" || { log "SQLite did not compile"; exit 1; }
log "building qtbase ($(ninja -C "$work/qtbase" -n 2>/dev/null | grep -c '^\[') steps, after $((SECONDS / 60)) min)"
cmake --build "$work/qtbase" -j "$jobs" >"$work/qtbase-build.log" ||
  { tail -40 "$work/qtbase-build.log"; exit 1; }
cmake --install "$work/qtbase" >/dev/null

log "building qtserialport (qtbase took until $((SECONDS / 60)) min)"
"$prefix/bin/qt-cmake" -S "$src/qtserialport-everywhere-src-6.4.2" -B "$work/qtserialport" -G Ninja \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF >"$work/qtserialport.log" ||
  { tail -40 "$work/qtserialport.log"; exit 1; }
cmake --build "$work/qtserialport" -j "$jobs" >>"$work/qtserialport.log" ||
  { tail -40 "$work/qtserialport.log"; exit 1; }
cmake --install "$work/qtserialport" >/dev/null

rm -rf "$work"
touch "$prefix/.complete"
log "Qt for Windows is in $prefix ($((SECONDS / 60)) min)"
echo "$prefix" >&3
