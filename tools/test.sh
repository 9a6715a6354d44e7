#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, then the
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
jobs="$(nproc)"

echo "== Normal build =="
cmake --preset default >/dev/null
cmake --build --preset default -j"$jobs"
ctest --preset default -j"$jobs"

echo "== Sanitizer build (ASan + UBSan) =="
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"
