#!/usr/bin/env bash
# Installs the Debian packages the project needs, skipping the ones already there.
set -euo pipefail

packages=(
  build-essential cmake
  qt6-base-dev libgl-dev qt6-charts-dev libqt6opengl6-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev
  nlohmann-json3-dev libcli11-dev
  xvfb xauth
  g++-mingw-w64-x86-64-posix wine64 wine googletest
  libcfitsio-dev astrometry.net astrometry-data-tycho2-09 astrometry-data-tycho2-10-19
  libindi-dev indi-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
