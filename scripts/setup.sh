#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages the tools need to build, run and test, when they are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev qt6-qpa-plugins
  libgtest-dev libgmock-dev
  xvfb xauth fonts-dejavu-core
  dpkg-dev desktop-file-utils appstream man-db
  clang-format clang-tidy
  xfonts-base pcf2bdf locales zlib1g-dev
  libqt6sql6-sqlite libqt6sql6-psql postgresql
)
if [ "${VFD_WITH_FUZZ:-0}" = 1 ]; then
  # llvm brings llvm-symbolizer, which names the source lines in a fuzz crash report.
  packages+=(clang libclang-rt-14-dev llvm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
