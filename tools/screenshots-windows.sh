#!/usr/bin/env bash
# Takes the README's screenshots of the native Windows window under Wine, on a private Xvfb
# screen of 1280x800 (the smallest screen the window must fit): the main window with each
# movement pattern, a run with the log window open, and the model window after the run, on the
# simulated observatory. The PNGs go to docs/screenshots/win-*.png.
#
#   tools/screenshots-windows.sh        (builds the `windows` preset's programs first)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${KOV_SCREENSHOT_DISPLAY:-}" ]; then
  export KOV_SCREENSHOT_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target kovsky_win_screenshots

export WINEPREFIX="$PWD/build/windows/wine" WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true' EXIT
mkdir -p "$WINEPREFIX" docs/screenshots
wineserver -p
timeout 300 wine cmd /c exit </dev/null >/dev/null 2>&1
# Wine draws the window frames itself: Xvfb has no window manager.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
timeout 300 wine build/windows/kovsky_win_screenshots.exe "$(winepath -w docs/screenshots)"
