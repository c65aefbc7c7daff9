#!/usr/bin/env bash
# Benchmark of the prerequisite driver listing (not a test): a silent
# decision run of Tarnwick-testhooks.exe beside a signed battery.dll (one
# driver listing) against bench-floor.exe making the same signature check
# and seven "cmd /c Driverquery | findstr NAME" queries one after the other,
# alternating, in one Wine prefix of its own with driverquery/findstr
# stand-ins that list no MEI driver.
#   tools/bench-driver-queries.sh [BUILD_DIR] [ROUNDS] [QUERY_MS]
# QUERY_MS makes each stand-in listing take that long, as a real one does
# (about a second on a notebook); 0 measures Wine's own start-up costs.
# Prints the median wall times and their ratio (goal: at most 0.25 with
# one-second listings). TARNWICK_BENCH_EXE names another build to measure.
set -euo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$SRC/build/windows}" && pwd)
ROUNDS=${2:-5}
export TARNWICK_TEST_DRIVERQUERY_MS=${3:-0}
export TARNWICK_PREFIX_NAME=prefix-bench
source "$SRC/tests/e2e/lib.sh" "$BUILD"
PREFIX="$BUILD/$TARNWICK_PREFIX_NAME"
WORK="$BUILD/bench/driver-queries"
rm -rf "$WORK"
mkdir -p "$WORK"
source "$SRC/tests/e2e/standins.sh"
install_driver_standins findstr
printf 'ACPI         Microsoft ACPI Driver  Kernel        1/1/2024\r\n' > "$WORK/drivers.txt"
export TARNWICK_TEST_DRIVER_LIST; TARNWICK_TEST_DRIVER_LIST=$(win "$WORK/drivers.txt")
sign_library "$BUILD/battery.dll" "$WORK/battery.dll"
cp "${TARNWICK_BENCH_EXE:-$BUILD/Tarnwick-testhooks.exe}" "$WORK/Tarnwick-testhooks.exe"
python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product KBX1001 --model KN-1001 --serial SN1 \
    --bios-version 1.07 -o "$WORK/machine.bin"
export TARNWICK_TEST_SMBIOS; TARNWICK_TEST_SMBIOS=$(win "$WORK/machine.bin")
# A running wineserver for the whole benchmark, so neither side pays its start.
WINEPREFIX="$PREFIX" wineserver -p >/dev/null 2>&1 || true

seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; end=$(date +%s.%N); echo "$end - $start" | bc; }
median() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
tool=() floor=()
cd "$WORK"
for _ in $(seq "$ROUNDS"); do
    tool+=("$(seconds "$RUN" "$BUILD" "$WORK/Tarnwick-testhooks.exe" /silent /nochecknewversion)")
    floor+=("$(seconds "$RUN" "$BUILD" "$BUILD/e2e/bench-floor.exe" "$(win "$WORK/battery.dll")")")
done
t=$(printf '%s\n' "${tool[@]}" | median)
f=$(printf '%s\n' "${floor[@]}" | median)
echo "rounds: $ROUNDS, stand-in query time: ${TARNWICK_TEST_DRIVERQUERY_MS} ms"
echo "decision run (median): ${t}s   [${tool[*]}]"
echo "floor: trust check + 7 sequential queries (median): ${f}s   [${floor[*]}]"
echo "ratio: $(echo "scale=3; $t / $f" | bc)  (goal: at most 0.25 with one-second listings)"
WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1 || true
