#!/usr/bin/env bash
# tarnwick-companion.exe logs as administrators run it on Windows: a log
# written by the program (a few silent runs with /log on machines of several
# boards, then damage as a share sees it: a NUL run, a stretch of UTF-16,
# lines ending in CR alone, a cut line) is read by the Windows build under
# Wine and by the host build, and their JSON and CSV tables must match byte
# for byte. The Windows build also refuses to overwrite its input and to
# read a device.
#   tests/e2e/companion-logs-windows.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/companion-logs-windows"
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/smbios"
TOOL="$BUILD/tools/companion-tool/tarnwick-companion.exe"
HOST="$SRC/build/host/tools/companion-tool/tarnwick-companion"
if [ ! -x "$HOST" ]; then
    echo "FAIL no host build of the tool at $HOST (cmake --build --preset host first)"
    exit 1
fi
cp "$BUILD/Tarnwick-testhooks.exe" "$BUILD/battery.dll" "$WORK/app/"
LOG="$WORK/fleet.log"

# Silent runs on three boards, two serials each; the sample library has no
# row for them, so each run decides quickly.
for board in 1 2 3; do
    for serial in 1 2; do
        python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product "KBXW00$board" --model "KN-W$board" \
            --serial "WIN-$board-$serial" --bios-version 1.0 -o "$WORK/smbios/$board-$serial.bin"
        TARNWICK_TEST_SMBIOS=$(win "$WORK/smbios/$board-$serial.bin") exit_code "$WORK/app/Tarnwick-testhooks.exe" \
            /silent /nochecksignature /nochecknewversion /log "$(win "$LOG")" >/dev/null
    done
done
check "the program wrote six lines" [ "$(grep -c 'KBXW00' "$LOG")" = 6 ]

# Damage as a file share sees it, then more whole lines.
line() { printf '2026/12/0%s 10:00:00, 7, %s, KORVANE, KBXW00%s, KN-W%s, %s, Installed BIOS version 1.0\r\n' "$@"; }
{
    head -c 4096 /dev/zero
    line 1 1010 1 1 WIN-1-1
    printf '2\0000\0002\0006\000,\000 \000\r\000\n\000'
    line 2 2 2 2 WIN-2-1
    for i in 1 2 3; do printf '2026/12/03 10:00:0%s, 7, 2, KORVANE, KBXW003, KN-W3, CR-%s, x\r' "$i" "$i"; done
    line 4 1 3 3 'To Be Filled By O.E.M.'
    printf '2026/12/04 10:0'
} >> "$LOG"

cd "$WORK"
# exit_code runs from here too, so both tools name the log "fleet.log".
expect_code "logs --json on Windows (some lines unreadable)" 1 "$TOOL" logs fleet.log --json
"$RUN" "$BUILD" "$TOOL" logs fleet.log --json > windows.json 2>windows.err || true
"$HOST" logs fleet.log --json > host.json 2>host.err || true
check "the JSON of both builds is the same, byte for byte" cmp windows.json host.json
check "the JSON counts every machine of the readable runs" grep -q "\"machines\": 10, \"runs\": 12," host.json
"$RUN" "$BUILD" "$TOOL" logs fleet.log --csv windows-csv > /dev/null 2>&1 || true
"$HOST" logs fleet.log --csv host-csv > /dev/null 2>&1 || true
check "the CSV tables of both builds are the same, byte for byte" diff -r windows-csv host-csv
check "twelve CSV tables" [ "$(ls host-csv | wc -l)" = 12 ]
"$RUN" "$BUILD" "$TOOL" logs fleet.log --runs windows-runs.csv > /dev/null 2>&1 || true
"$HOST" logs fleet.log --runs host-runs.csv > /dev/null 2>&1 || true
check "the run tables of both builds are the same" cmp windows-runs.csv host-runs.csv

# What must never happen on Windows either.
cp fleet.log before.log
expect_code "the page over its own log is refused" 2 "$TOOL" logs fleet.log --html fleet.log
ln -f fleet.log hard.log
expect_code "a hard link to the log as the run table is refused" 2 "$TOOL" logs fleet.log --runs hard.log
expect_code "the log by its full path as the page is refused" 2 "$TOOL" logs fleet.log --html "$(win "$WORK/fleet.log")"
check "the log is left as it was" cmp fleet.log before.log
expect_code "a device is not read" 3 "$TOOL" logs NUL --json
expect_code "--help" 0 "$TOOL" logs --help
finish
