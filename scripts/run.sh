#!/usr/bin/env bash
# Builds the program and runs it under Wine on this machine, then prints its
# exit code and what it means. Arguments are passed to Tarnwick.exe; without
# any, and without a desktop to show the dialog on, it runs the way a
# deployment script would: "/silent" (the sample battery.dll beside it is
# not signed by a trusted publisher, so "/nochecksignature" is added too).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host --target describe-exit-code >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" >/dev/null
source scripts/display.sh
args=("$@")
if [ -z "${DISPLAY:-}" ]; then
    start_display
    [ ${#args[@]} -gt 0 ] || args=(/silent /nochecksignature)
fi
echo "running: Tarnwick.exe ${args[*]}"
code=$(tests/wine-run.sh build/windows build/windows/e2e/exitcode.exe build/windows/Tarnwick.exe "${args[@]}" \
       2>/dev/null | tr -d '\r' | tail -n 1)
echo "Tarnwick.exe exited with $code: $(build/host/tests/unit/describe-exit-code "$code")"
