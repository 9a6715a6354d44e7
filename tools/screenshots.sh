#!/usr/bin/env bash
# Takes the screenshots of the manual and the README: the main window with each movement
# pattern, during a run and with the log window open, and the model window after a TEST run, a
# START run and a second TEST run, on the simulated observatory, under a private Xvfb screen of
# 1280x800 (the smallest screen the window must fit).
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

settings() {  # the stored movement pattern (ZigZag or PointList), and the points of a run
  mkdir -p "$XDG_CONFIG_HOME/KovSkyMapper"
  printf '[Settings]\nMovement=%s\nNumber%%20of%%20Aligns=%s\nExposure%%20Length=2\nExposure%%20Delay=2\nImage%%20Scale=1\n' "$1" "${2:-6}" \
    >"$XDG_CONFIG_HOME/KovSkyMapper/KOV.conf"
}

start() {  # the simulated night's time factor, default 5
  (cd "$WORK" && exec "$OLDPWD/$PROGRAM" --time-factor "${1:-5}") >"$WORK/program.log" 2>&1 &
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

# The bottom row: START, TEST, One Sync, Add'l Align from the left; View Log, View Model, Help
# and EXIT from the right.
VIEW_LOG_FROM_RIGHT=330
VIEW_MODEL_FROM_RIGHT=230
TEST_X=130

open_log() {  # ticks View Log and places the log window beside the main window's centre
  geometry
  click "$((WIDTH - VIEW_LOG_FROM_RIGHT))" $((HEIGHT - 20))
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

# The model window after a TEST run, after the START run that builds the model, and after a
# second TEST run with it: the scatter draws in among the 30" and 60" rings.
model_shot() {  # file name; the main window steps aside (it stays on top during runs)
  xdotool windowmove "$WID" 1280 0
  sleep 1
  import -window "$MWID" "$OUT/$1"
  echo "$OUT/$1"
  xdotool windowmove "$WID" 0 0
  sleep 0.5
}
run_and_wait() {  # x of the button to click
  geometry
  click "$1" $((HEIGHT - 20))
  sleep 1
  WID=$(xdotool search --sync --onlyvisible --name '^Kov Sky Mapper' | head -1)
  xdotool windowmove "$WID" 0 0 windowsize "$WID" 1280 800
  sleep "$RUN_SECONDS"
}
RUN_SECONDS=${RUN_SECONDS:-25}
# A walk that starts east and crosses the meridian, so the controller can fit both terms.
settings ZigZag 10
printf 'Move%%20in%%20RA=10\n' >>"$XDG_CONFIG_HOME/KovSkyMapper/KOV.conf"
start 100
click 89 233  # East
run_and_wait "$TEST_X"
geometry
click "$((WIDTH - VIEW_MODEL_FROM_RIGHT))" $((HEIGHT - 20))
MWID=$(xdotool search --sync --onlyvisible --name '^KOV Model$' | head -1)
xdotool windowmove "$MWID" 0 0 windowsize "$MWID" 1280 560
model_shot model-test-before.png
run_and_wait 40
model_shot model-start.png
run_and_wait "$TEST_X"
model_shot model-test-after.png
stop
