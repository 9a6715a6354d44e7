#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the
# AddressSanitizer + UndefinedBehaviorSanitizer build, then the Windows cross build under Wine
# (KOV_SKIP_WINDOWS=1 leaves that out).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
tools/check-layers.sh
jobs="$(nproc)"

echo "== Normal build =="
cmake --preset default >/dev/null
cmake --build --preset default -j"$jobs"
ctest --preset default -j"$jobs"

echo "== Sanitizer build (ASan + UBSan) =="
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"

if [ "${KOV_SKIP_WINDOWS:-0}" != 1 ]; then
  echo "== Windows cross build (MinGW-w64), tests under Wine =="
  tools/test-windows.sh
fi
