#!/usr/bin/env bash
# The version probe under each Windows version Wine can pretend to be, in a
# prefix of its own (winecfg -v changes the whole prefix).
set -euo pipefail
BUILD=$(cd "$1" && pwd)
SRC=$(cd "$(dirname "$0")/../.." && pwd)
export TARNWICK_PREFIX_NAME=wineprefix-os
failures=0
for pair in win7:0x00060001:1 win8:0x00060002:3 win81:0x00060003:5 win10:0x000a0000:; do
    IFS=: read -r name version class <<<"$pair"
    "$SRC/tests/wine-run.sh" "$BUILD" winecfg -v "$name" >/dev/null 2>&1
    actual=$("$SRC/tests/wine-run.sh" "$BUILD" "$BUILD/wintests/osprobe.exe" 2>/dev/null | tr -d '\r' | tail -n 1)
    read -r got_version got_class <<<"$actual"
    # Windows 10's class depends on the prefix's release id (6/7 or 8/9).
    if [ "$got_version" = "$version" ] && { [ -z "$class" ] && [[ "$got_class" =~ ^[6-9]$ ]] || [ "$got_class" = "$class" ]; }; then
        echo "ok   $name: $actual"
    else
        echo "FAIL $name: expected $version ${class:-6..9}, got '$actual'"
        failures=$((failures + 1))
    fi
done
"$SRC/tests/wine-run.sh" "$BUILD" winecfg -v win10 >/dev/null 2>&1 || true
echo "$((4 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
