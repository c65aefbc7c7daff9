#!/usr/bin/env bash
# Downloads that must end, and the address they ask for, under Wine:
# Tarnwick-testhooks.exe with shortened attempt limits against the loopback
# server's drip mode (one byte every half second), a cancel while a read
# waits for data, and an SMBIOS serial full of address syntax.
#   tests/e2e/download-limits.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
source "$SRC/tests/server/server.sh"
WORK="$BUILD/e2e/download-limits"
EXE_NAME=Tarnwick-testhooks.exe
rm -rf "$WORK"
mkdir -p "$WORK/root" "$WORK/tables" "$WORK/smbios" "$WORK/online"
cp "$BUILD/wintests/testpackage.exe" "$WORK/root/pkg.exe"
start_server "$WORK/root" "$WORK/requests.log"
hash=$(sha256sum "$WORK/root/pkg.exe" | cut -c1-64)

# product|url|serial: one simulated notebook per case (the serial of KBXL02
# holds a line break, so it is not given here).
SERIAL=$'S#&= 1\r\n,2'
ROWS=(
    "KBXL01|drip/pkg.exe|SN1"
    "KBXL02|pkg.exe|-"
)
: >"$WORK/tables/definitions.txt"
cp "$SRC/companion/tables/requirements.txt" "$WORK/tables/requirements.txt"
cp "$SRC/companion/tables/os-support.txt" "$WORK/tables/os-support.txt"
for row in "${ROWS[@]}"; do
    IFS='|' read -r product url serial <<<"$row"
    [ "$serial" != - ] || serial=$SERIAL
    add_machine_rows "$WORK/tables" "$product" 3 "$url" tool.exe "--tool --exit 0" "$hash"
    python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product "$product" --model "KN T" \
        --serial "$serial" --bios-version 1.0 -o "$WORK/smbios/$product.bin"
done
mkdir -p "$WORK/overlay"
cp -r "$WORK/tables" "$WORK/overlay/"
cp "$BUILD/$EXE_NAME" "$WORK/online/"
make_test_library "$WORK/online/battery.dll" --overlay "$WORK/overlay" 146="$SERVER_URL"

export TARNWICK_TEST_TOOL_MARKER TARNWICK_TEST_PACKAGE_MARKER
TARNWICK_TEST_TOOL_MARKER=$(win "$WORK/tool.txt")
TARNWICK_TEST_PACKAGE_MARKER=$(win "$WORK/package.txt")
# Attempts of at most 20 s that must bring 64 KiB in every 2 s.
export TARNWICK_TEST_RETRY_WAIT_MS=100 TARNWICK_TEST_ATTEMPT_DEADLINE_MS=20000
export TARNWICK_TEST_RATE_WINDOW_MS=2000 TARNWICK_TEST_RATE_WINDOW_BYTES=65536
OPTS=(/nochecksignature /nochecknewversion)
on() { export TARNWICK_TEST_SMBIOS; TARNWICK_TEST_SMBIOS=$(win "$WORK/smbios/$1.bin"); }

# The serial reaches the server as one encoded value; the model's space is
# removed by the identity rules.
on KBXL02
expect_code "serial with address syntax" 0 "$WORK/online/$EXE_NAME" /silent "${OPTS[@]}"
check "serial encoded as one value" grep -q '^/pkg.exe?model=KNT&serial=S%23%26%3D%201%0D%0A%2C2	' "$WORK/requests.log"

# A server that drips: each of the four attempts ends after the rate window,
# the run ends as a failed download (a read that failed).
on KBXL01
started=$(date +%s)
expect_code "dripping server, silent" 1013 "$WORK/online/$EXE_NAME" /silent "${OPTS[@]}"
took=$(( $(date +%s) - started ))
check "four attempts within the limits (${took} s)" test "$took" -lt 30
check "four attempts made" test "$(grep -c '^/drip/pkg.exe' "$WORK/requests.log")" = 4

# Cancel while a read waits for the dripping server: the process ends within
# two seconds. A long deadline and a slow rate rule, so only the cancel ends it.
export TARNWICK_TEST_ATTEMPT_DEADLINE_MS=600000 TARNWICK_TEST_RATE_WINDOW_MS=600000
DIALOG_TITLE="Korvane Battery Charging Update"
PROGRESS_TITLE="Korvane Battery Update"
controls() { "$RUN" "$BUILD" "$BUILD/e2e/wincontrols.exe" "$@" 2>/dev/null | tr -d '\r'; }
on KBXL01
out="$WORK/cancel.code"
( exit_code "$WORK/online/$EXE_NAME" "${OPTS[@]}" >"$out" ) &
runner=$!
clicked=""
if controls wait "$DIALOG_TITLE" 120 >/dev/null; then
    controls click "$DIALOG_TITLE" 1 >/dev/null
    if controls wait "$PROGRESS_TITLE" 60 >/dev/null; then
        sleep 3
        controls click "$PROGRESS_TITLE" 2 >/dev/null
        clicked=$(date +%s%N)
    fi
fi
# The program's own process, not the exit-code wrapper around it.
running() { pgrep -f "^$WORK/online/$EXE_NAME" >/dev/null; }
for _ in $(seq 300); do running || break; sleep 0.05; done
ended=$(date +%s%N)
for _ in $(seq 100); do kill -0 "$runner" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$runner" 2>/dev/null; then
    controls kill "$DIALOG_TITLE" >/dev/null
    controls kill "$PROGRESS_TITLE" >/dev/null
fi
wait "$runner" || true
check "cancel during a waiting read: 1008 (got $(cat "$out"))" test "$(cat "$out")" = 1008
ms=$(( (ended - ${clicked:-0}) / 1000000 ))
# Traced under Wine, the program is at its exit about 0.1 s after the progress
# window's thread has ended; what the harness sees on top of that is Wine's
# window and process teardown, marked like a todo_wine rather than skipped.
if [ -n "$clicked" ] && [ "$ms" -lt 2000 ]; then
    check "process ended within two seconds of Cancel (${ms} ms)" true
elif [ -n "$clicked" ] && [ "$ms" -lt 4000 ]; then
    echo "todo_wine process ended ${ms} ms after Cancel (goal: under 2000 ms)"
else
    check "process ended within two seconds of Cancel (${ms:-?} ms)" false
fi

finish
