#!/usr/bin/env bash
# Makes the Windows download: a zip with the window (kov-sky-mapper.exe), the headless runner
# (kov-sky-mapper-cli.exe), the operator's manual and a read-me-first text, cross-built with the
# `windows` preset. Both programs are linked statically: nothing else needs installing.
#
#   tools/package-windows.sh [OUTPUT FOLDER]     (default: build/windows/package)
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=$(realpath -m "${1:-build/windows/package}")

cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target kov-sky-mapper kov-sky-mapper-cli

VERSION=$(sed -n 's/^project(KovSkyMapper VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
NAME="KovSkyMapper-$VERSION-windows-x64"
STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT
mkdir -p "$STAGE/$NAME/docs/screenshots" "$OUT"
cp build/windows/kov-sky-mapper.exe build/windows/kov-sky-mapper-cli.exe "$STAGE/$NAME/"
cp docs/help.html "$STAGE/$NAME/docs/"
# The pictures the manual shows.
for picture in $(grep -o 'src="screenshots/[^"]*"' docs/help.html | sed 's/src="//; s/"$//' | sort -u); do
  cp "docs/$picture" "$STAGE/$NAME/docs/$picture"
done
# Windows editors want CR LF.
sed 's/$/\r/' > "$STAGE/$NAME/READ-ME-FIRST.txt" <<TEXT
Kov Sky Mapper $VERSION for Windows (64-bit)

Kov Sky Mapper builds the pointing model of a telescope mount run by a Gemini controller: it
walks the telescope over the sky, images and plate-solves each position, and sends the solved
positions to the controller as a sync and additional alignment points.

Nothing to install: unpack this folder anywhere and start kov-sky-mapper.exe.

  kov-sky-mapper.exe        the window. It drives TheSky 5 or 6, CCDSoft or MaxIm DL and the
                            Gemini ASCOM driver, which must be installed on this computer.
  kov-sky-mapper.exe --sim  the same window on a simulated observatory: try every button
                            without a telescope (add --time-factor 20 for a faster night).
  kov-sky-mapper-cli.exe    the same commands without a window, for scripts and schedulers
                            ("kov-sky-mapper-cli.exe start --sim --fast" runs a whole night in
                            a moment).
  docs\\help.html            the operator's manual; the Help button opens it. No network needed.

The settings are kept per user in the registry, under
HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\KOV.
TEXT
rm -f "$OUT/$NAME.zip"
# CMake writes the zip: no archiver to install.
(cd "$STAGE" && cmake -E tar cf "$OUT/$NAME.zip" --format=zip "$NAME")
echo "$OUT/$NAME.zip"
