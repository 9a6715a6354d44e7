#!/usr/bin/env bash
# Checks that the core's includes only point down its layers:
#   station < model < mount, imaging < run < commands
# (mount and imaging are siblings and do not include each other), and that the core includes
# none of the front-ends or backends. Prints each include that breaks the rule; exits 1 if any.
set -euo pipefail
cd "$(dirname "$0")/../src"

rank() {
  case "$1" in
    station) echo 0 ;;
    model) echo 1 ;;
    mount | imaging) echo 2 ;;
    run) echo 3 ;;
    commands) echo 4 ;;
    *) echo 9 ;;  # ui, headless, app, sim, win, linux, sky: above the core
  esac
}

bad=0
while IFS=: read -r file _ include; do
  from="${file%%/*}"
  to="$(sed -E 's/#include "([^/"]+)\/.*/\1/' <<<"$include")"
  rf="$(rank "$from")"
  rt="$(rank "$to")"
  if [ "$rt" -gt "$rf" ] || { [ "$rf" = 2 ] && [ "$rt" = 2 ] && [ "$from" != "$to" ]; }; then
    echo "back arrow: $file includes ${include#\#include }"
    bad=1
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' '^#include "' station model mount imaging run commands)

if [ "$bad" = 0 ]; then
  echo "layers: no include runs up from the core's lower folders"
fi
exit "$bad"
