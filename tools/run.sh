#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kov Sky Mapper on the simulated observatory.
# Extra arguments go to the program (for example --scenario night.json).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target kov-sky-mapper

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the program under Xvfb (nothing will be visible)."
  exec xvfb-run -a -s "-screen 0 1280x960x24" build/default/kov-sky-mapper "$@"
fi
exec build/default/kov-sky-mapper "$@"
