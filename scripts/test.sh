#!/usr/bin/env bash
# Builds everything and runs all test tiers: host unit tests, fuzz runs,
# Windows-side tests under Wine and the end-to-end tests of Tarnwick.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/display.sh

jobs=$(nproc)
status=0

echo "== host build and unit tests"
cmake --preset host >/dev/null
cmake --build --preset host -j"$jobs"
ctest --preset host -L unit || status=1

echo "== fuzz runs"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
ctest --preset fuzz -L fuzz || status=1

echo "== Windows build, Windows-side and end-to-end tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"

echo "== release check of the sample battery.dll (host build of tarnwick-companion)"
build/host/tools/companion-tool/tarnwick-companion check build/windows/battery.dll || status=1

start_display
ctest --preset windows -L 'windows|e2e' || status=1
WINEPREFIX="$PWD/build/windows/wineprefix" wineserver -k 2>/dev/null || true

exit $status
