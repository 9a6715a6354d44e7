#!/usr/bin/env bash
# Cross-builds the core and the Windows backend with MinGW-w64 (the `windows` preset) and runs
# the Windows tests under Wine, in a Wine prefix of their own under build/windows/wine.
set -euo pipefail
cd "$(dirname "$0")/.."

# The desktop tests open real windows, and Wine needs an X display for them.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"

export WINEPREFIX="$PWD/build/windows/wine" WINEDEBUG=-all
# One wineserver for the whole run: started and warmed before the tests (a cold start for each
# test is slow; creating the prefix the first time takes about half a minute), and stopped after,
# so that none lingers holding ctest's pipes open.
trap 'wineserver -k 2>/dev/null || true' EXIT
mkdir -p "$WINEPREFIX"
wineserver -p
timeout 300 wine cmd /c exit </dev/null >/dev/null 2>&1
# Xvfb has no window manager, and Wine waits two seconds for one to release each window it
# destroys; with Wine placing the windows itself there is nothing to wait for.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
# The tests share one desktop and its foreground window, so they run one at a time.
timeout 600 ctest --preset windows
