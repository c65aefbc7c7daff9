#!/usr/bin/env bash
# Builds everything and runs all test tiers: host unit tests, fuzz runs,
# Windows-side tests under Wine and the end-to-end tests of Tarnwick.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/display.sh

jobs=$(nproc)
# Tests under Wine mostly wait (for Wine's start, for windows, for servers),
# so more of them than cores run side by side; see the README's performance
# section for the figures behind the default.
wine_jobs=${TARNWICK_WINE_JOBS:-4}
status=0
tiers=()
tier() {  # tier LABEL COMMAND...: runs the command, records its time, keeps going
    local label=$1 start
    shift
    start=$(date +%s)
    "$@" || status=1
    tiers+=("$(printf '%-44s %5d s' "$label" $(($(date +%s) - start)))")
}

echo "== host build and unit tests"
cmake --preset host >/dev/null
tier "host build" cmake --build --preset host -j"$jobs"
tier "host unit tests" ctest --preset host -L unit -j"$jobs"

echo "== fuzz runs"
cmake --preset fuzz >/dev/null
tier "fuzz build" cmake --build --preset fuzz -j"$jobs"
tier "fuzz runs" ctest --preset fuzz -L fuzz -j"$jobs"

echo "== Windows build, Windows-side and end-to-end tests under Wine"
cmake --preset windows >/dev/null
tier "Windows build" cmake --build --preset windows -j"$jobs"

echo "== release check of the sample battery.dll (host build of tarnwick-companion)"
tier "release check of battery.dll" build/host/tools/companion-tool/tarnwick-companion check build/windows/battery.dll

start_display
tier "Windows-side tests (-j$wine_jobs)" ctest --preset windows -L windows -j"$wine_jobs"
tier "end-to-end tests (-j$wine_jobs)" ctest --preset windows -L e2e -j"$wine_jobs"
for prefix in build/windows/wineprefix build/windows/prefix-*/; do
    [ -d "$prefix" ] && WINEPREFIX="$PWD/${prefix%/}" wineserver -k 2>/dev/null || true
done

echo "== time per tier"
printf '%s\n' "${tiers[@]}"
exit $status
