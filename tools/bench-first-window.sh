#!/usr/bin/env bash
# Benchmark of the way to the first window (not a test): the time from the
# start of Tarnwick-testhooks.exe until its action dialog is on the screen
# (found by its window title on the display, polled every few milliseconds),
# on the demo's firmware notebook (scripts/run.sh --machine firmware: signed
# battery.dll, essential software present, firmware 2.0.4 against 2.0.5),
# with a driver listing that takes QUERY_MS, in four cases of the release
# server (the address base of battery.dll):
#   at once      the loopback server answers at once (same release: go on)
#   after 5 s    it answers after five seconds
#   never        it takes the request and never answers
#   nothing      nothing listens on the port (connection refused)
# beside a floor measured in the same rounds: bench-floor.exe, which checks
# the signature of the same battery.dll, reads one driver listing and shows
# one empty task dialog. Then the same for a silent run's whole time, on the
# up-to-date notebook (firmware 2.0.5: the run decides and ends, it does not
# download), against the floor without its dialog.
#   tools/bench-first-window.sh [BUILD_DIR] [ROUNDS] [QUERY_MS] [CAP_S]
# A run still going after CAP_S seconds (default 60) is stopped and counts
# as CAP_S. Prints the medians and their ratios (goal: at most 1.15).
# TARNWICK_BENCH_EXE names another Tarnwick-testhooks.exe to measure (an
# older build, for a before-and-after table in the same session).
set -euo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$SRC/build/windows}" && pwd)
ROUNDS=${2:-3}
export TARNWICK_TEST_DRIVERQUERY_MS=${3:-1000}
CAP=${4:-60}
export TARNWICK_PREFIX_NAME=prefix-bench-window
source "$SRC/tests/e2e/lib.sh" "$BUILD"
source "$SRC/tests/e2e/standins.sh"
source "$SRC/tests/server/server.sh"
PREFIX="$BUILD/$TARNWICK_PREFIX_NAME"
WORK="$BUILD/bench/first-window"
DIALOG_TITLE="Korvane Battery Charging Update"
FLOOR_TITLE="Tarnwick floor"
rm -rf "$WORK"
mkdir -p "$WORK/server" "$WORK/overlay/tables"
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || start_display

# --- The prefix: the notebook's essential software and access library ----
wreg() { "$RUN" "$BUILD" reg "$@" /f >/dev/null 2>&1 || true; }
install_driver_standins findstr  # findstr for an older build measured with TARNWICK_BENCH_EXE
ACCESS_DIR='C:\Program Files (x86)\Korvane\VXN02E3'
mkdir -p "$PREFIX/drive_c/Program Files (x86)/Korvane/VXN02E3"
cp "$BUILD/wintests/testaccesslib.dll" "$PREFIX/drive_c/Program Files (x86)/Korvane/VXN02E3/"
wreg add 'HKLM\Software\Korvane\VXN02E3' /v InstPath /d "$ACCESS_DIR" /reg:32
wreg add 'HKLM\Software\Korvane\VXN02E3' /v DllName /d testaccesslib.dll /reg:32
wreg add 'HKLM\SYSTEM\CurrentControlSet\Services\VXN02E3' /v Start /t REG_DWORD /d 3 /reg:32
wreg add 'HKCU\Software\Wine' /v Version /d win10
wreg delete 'HKCU\Software\Wine\Explorer' /v Desktop
printf 'VXN02E3      VXN02E3 Device         Kernel        1/2/2024\r\n' > "$WORK/drivers.txt"
export TARNWICK_TEST_DRIVER_LIST; TARNWICK_TEST_DRIVER_LIST=$(win "$WORK/drivers.txt")
export TARNWICK_TEST_EC_INFO=0x10
python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product KBX1001 --model KN-1001 \
    --serial BENCH-0001 --bios-version 1.07 -o "$WORK/smbios.bin"
export TARNWICK_TEST_SMBIOS; TARNWICK_TEST_SMBIOS=$(win "$WORK/smbios.bin")

# --- The server and one signed battery.dll per case ------------------------
printf '%s\r\n' "$(sed -n 's/^ *152 "\(.*\)"/\1/p' "$SRC/companion/strings/strings-en.rc")" > "$WORK/server/release.dat"
start_server "$WORK/server" "$WORK/requests.log"
printf 'KBX1001\t1\t1\t0\t0\t0\t0\n' > "$WORK/overlay/tables/requirements.txt"
CASES=("at once" "after 5 s" "never" "nothing")
declare -A BASE=([at once]="$SERVER_URL" [after 5 s]="${SERVER_URL}late/" [never]="${SERVER_URL}hang/"
                 [nothing]="http://127.0.0.1:$(free_port)/")
declare -A FOLDER
for case in "${CASES[@]}"; do
    folder="$WORK/case-${case// /-}"
    FOLDER[$case]=$folder
    mkdir -p "$folder"
    make_test_library "$folder/battery-unsigned.dll" --overlay "$WORK/overlay" 146="${BASE[$case]}"
    sign_library "$folder/battery-unsigned.dll" "$folder/battery.dll"
    rm "$folder/battery-unsigned.dll"
    cp "${TARNWICK_BENCH_EXE:-$BUILD/Tarnwick-testhooks.exe}" "$folder/Tarnwick-testhooks.exe"
done
LIBRARY=$(win "${FOLDER[at once]}/battery.dll")
# A running wineserver for the whole benchmark, so no run pays its start.
WINEPREFIX="$PREFIX" wineserver -p >/dev/null 2>&1 || true
"$RUN" "$BUILD" cmd /c exit 0 >/dev/null 2>&1 || true

now() { date +%s.%N; }
# first_window TITLE PROGRAM ARGS...: seconds until a window titled TITLE is
# visible; the program is then ended.
first_window() {
    local title=$1 start runner elapsed=""
    shift
    start=$(now)
    "$RUN" "$BUILD" "$@" >/dev/null 2>&1 &
    runner=$!
    while :; do
        if xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; then
            elapsed=$(echo "$(now) - $start" | bc)
            break
        fi
        kill -0 "$runner" 2>/dev/null || break
        [ "$(echo "$(now) - $start >= $CAP" | bc)" = 1 ] && { elapsed=$CAP; break; }
        sleep 0.005
    done
    kill -KILL "$runner" 2>/dev/null || true
    wait "$runner" 2>/dev/null || true
    # A run that ended without its window is a failed measurement.
    echo "${elapsed:-failed}"
}
# whole_run PROGRAM ARGS...: seconds until the program ends (at most CAP).
whole_run() {
    local start runner
    start=$(now)
    "$RUN" "$BUILD" "$@" >/dev/null 2>&1 &
    runner=$!
    while kill -0 "$runner" 2>/dev/null; do
        if [ "$(echo "$(now) - $start >= $CAP" | bc)" = 1 ]; then
            kill -KILL "$runner" 2>/dev/null || true
            wait "$runner" 2>/dev/null || true
            echo "$CAP"
            return
        fi
        sleep 0.01
    done
    wait "$runner" 2>/dev/null || true
    echo "$(now) - $start" | bc
}
median() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
# Leftover processes of an ended run (the query children) must not slow the
# next one: wait until only the wineserver's own are left.
settle() { sleep 0.3; }

declare -A WINDOW SILENT
floor_window=() floor_silent=()
for round in $(seq "$ROUNDS"); do
    for case in "${CASES[@]}"; do
        cd "${FOLDER[$case]}"
        WINDOW[$case]+="$(TARNWICK_TEST_EC_VERSION=0x0420 first_window "$DIALOG_TITLE" "$PWD/Tarnwick-testhooks.exe") "
        settle
        floor_window+=("$(first_window "$FLOOR_TITLE" "$BUILD/e2e/bench-floor.exe" "$LIBRARY" listing window)")
        settle
        SILENT[$case]+="$(TARNWICK_TEST_EC_VERSION=0x0520 whole_run "$PWD/Tarnwick-testhooks.exe" /silent) "
        settle
        floor_silent+=("$(whole_run "$BUILD/e2e/bench-floor.exe" "$LIBRARY" listing)")
        settle
    done
    echo "round $round of $ROUNDS done" >&2
done
cd "$WORK"

fw=$(printf '%s\n' "${floor_window[@]}" | median)
fs=$(printf '%s\n' "${floor_silent[@]}" | median)
echo "rounds: $ROUNDS, stand-in driver listing: ${TARNWICK_TEST_DRIVERQUERY_MS} ms, cap: ${CAP} s"
echo "floor with its task dialog (median): ${fw}s   [${floor_window[*]}]"
echo "floor without a window (median):     ${fs}s   [${floor_silent[*]}]"
printf '%-10s %-34s %-34s\n' "release" "first window (median, ratio)" "silent run (median, ratio)"
for case in "${CASES[@]}"; do
    w=$(tr ' ' '\n' <<<"${WINDOW[$case]}" | grep . | median)
    t=$(tr ' ' '\n' <<<"${SILENT[$case]}" | grep . | median)
    printf '%-10s %-34s %-34s\n' "$case" "${w}s x$(echo "scale=2; $w / $fw" | bc)" "${t}s x$(echo "scale=2; $t / $fs" | bc)"
    echo "           [${WINDOW[$case]}] [${SILENT[$case]}]"
done
echo "goal: at most x1.15 in every case"
WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1 || true
