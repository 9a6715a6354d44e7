#!/usr/bin/env bash
# Takes the screenshots of the manual and the README: the main window with each movement
# pattern, during a run and with the log window open, on the simulated observatory, under a
# private Xvfb screen of 1280x800 (the smallest screen the window must fit).
#
#   tools/screenshots.sh [build folder]      (default: build/default; PNGs go to docs/screenshots/)
#
# Needs xvfb, xdotool and imagemagick. The user's own settings are never touched: the program
# runs with a settings folder of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/default}
PROGRAM="$BUILD/kov-sky-mapper"
OUT=docs/screenshots
[ -x "$PROGRAM" ] || { echo "Build the program first: $PROGRAM is missing" >&2; exit 1; }
mkdir -p "$OUT"

WORK=$(mktemp -d)
XPID=""
APID=""
cleanup() {
  [ -n "$APID" ] && kill "$APID" 2>/dev/null || true
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# A free display number.
for n in $(seq 90 120); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { DISPLAY_NUM=$n; break; }
done
Xvfb ":$DISPLAY_NUM" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
export DISPLAY=":$DISPLAY_NUM"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export XDG_CONFIG_HOME="$WORK/config"
export QT_QPA_PLATFORM=xcb

settings() {  # the stored movement pattern: ZigZag or PointList
  mkdir -p "$XDG_CONFIG_HOME/KovSkyMapper"
  printf '[Settings]\nMovement=%s\nNumber%%20of%%20Aligns=6\nExposure%%20Length=2\nExposure%%20Delay=2\nImage%%20Scale=1.85\n' "$1" \
    >"$XDG_CONFIG_HOME/KovSkyMapper/KOV.conf"
}

start() {
  (cd "$WORK" && exec "$OLDPWD/$PROGRAM" --time-factor 5) >"$WORK/program.log" 2>&1 &
  APID=$!
  for _ in $(seq 100); do
    WID=$(xdotool search --sync --onlyvisible --name '^Kov Sky Mapper' 2>/dev/null | head -1) && break
    sleep 0.1
  done
  # The whole screen: the window as the operator sees it at 1280x800, maximized.
  xdotool windowmove "$WID" 0 0 windowsize "$WID" 1280 800
  sleep 1
}

stop() {
  kill "$APID" 2>/dev/null || true
  wait "$APID" 2>/dev/null || true
  APID=""
}

shot() {  # window id, file name
  import -window "$1" "$OUT/$2"
  echo "$OUT/$2"
}

# The window's own geometry, for clicks relative to it.
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$WID")"
}

click() {  # x, y inside the main window
  geometry
  xdotool mousemove $((X + $1)) $((Y + $2)) click 1
}

open_log() {  # ticks View Log and places the log window beside the main window's centre
  geometry
  click "$((WIDTH - 230))" $((HEIGHT - 20))
  LWID=$(xdotool search --sync --onlyvisible --name '^KOV Log$' | head -1)
  xdotool windowmove "$LWID" 560 120 windowsize "$LWID" 700 460
  sleep 0.5
}

settings PointList
start
shot "$WID" main-points.png
stop

settings ZigZag
start
shot "$WID" main-zigzag.png
geometry
# START is the first button of the bottom row; View Log sits left of Help and EXIT.
click 40 $((HEIGHT - 20))
sleep 1
# A run keeps the window on top, which gives it a new native window: find it again.
WID=$(xdotool search --sync --onlyvisible --name '^Kov Sky Mapper' | head -1)
xdotool windowmove "$WID" 0 0 windowsize "$WID" 1280 800
sleep 5
shot "$WID" main-run.png
open_log
sleep 2
import -window root "$OUT/log-window.png"
echo "$OUT/log-window.png"
stop
