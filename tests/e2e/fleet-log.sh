#!/usr/bin/env bash
# Many machines, one log: three Wine prefixes (three machines, each with its
# own wineserver) run Tarnwick-testhooks.exe at the same time, each a few
# silent runs with /log naming one file in a shared folder, as a fleet does
# with a log on a server share. Every line must arrive whole: as many lines
# as runs, each exactly the line its run writes, the byte-order mark once at
# the start.
# A control program that only appends (appender.c: FILE_APPEND_DATA, one
# WriteFile per line, as the program writes its line) then writes thousands
# of lines from the three machines in the same instants, which shows whether
# the system itself keeps appends whole: Windows does, Wine 8 does not
# (marked todo_wine below).
# The logs stay in BUILD/e2e/fleet-log/shared/ (fleet.log, control-N.log).
#   tests/e2e/fleet-log.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/fleet-log"
SHARED="$WORK/shared"
MACHINES=3 RUNS=4 CONTROL_LINES=20000
rm -rf "$WORK"
mkdir -p "$WORK/app" "$WORK/smbios" "$SHARED"
cp "$BUILD/Tarnwick-testhooks.exe" "$BUILD/battery.dll" "$WORK/app/"
EXE="$WORK/app/Tarnwick-testhooks.exe"
LOG="$SHARED/fleet.log"
OPTS=(/silent /nochecksignature /nochecknewversion /log "$(win "$LOG")")

# --- The machines: prefix-fleet-1 is made as every test prefix is, the
# others are copies of it (a prefix is a folder; a copy is another machine
# with a wineserver of its own).
prefix() { echo "$BUILD/prefix-fleet-$1"; }
stop_machines() {
    local i
    for i in $(seq "$MACHINES"); do WINEPREFIX=$(prefix "$i") wineserver -k >/dev/null 2>&1 || true; done
}
at_exit stop_machines
TARNWICK_PREFIX_NAME=prefix-fleet-1 "$RUN" "$BUILD" cmd /c exit 0 >/dev/null 2>&1 || true
WINEPREFIX=$(prefix 1) wineserver -w >/dev/null 2>&1 || true
for i in $(seq 2 "$MACHINES"); do
    if [ ! -f "$(prefix "$i")/.tarnwick-ready" ]; then
        rm -rf "$(prefix "$i")"
        cp -a "$(prefix 1)" "$(prefix "$i")"
    fi
done

# Machine i, run r: board KBXF00i (no row in the sample library: a quick
# decision, 3), serial FLEET-i-r, so every line says which run wrote it.
expected_line() { printf 'T, 7, 3, KORVANE, KBXF00%s, KN-F%s, FLEET-%s-%s, \r\n' "$1" "$1" "$1" "$2"; }
for i in $(seq "$MACHINES"); do
    for r in $(seq 0 "$RUNS"); do
        python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product "KBXF00$i" --model "KN-F$i" \
            --serial "FLEET-$i-$r" --bios-version 1.0 -o "$WORK/smbios/$i-$r.bin"
    done
done
run_on() {  # run_on MACHINE RUN: one run, its exit code to stdout
    TARNWICK_PREFIX_NAME=prefix-fleet-$1 TARNWICK_TEST_SMBIOS=$(win "$WORK/smbios/$1-$2.bin") exit_code "$EXE" "${OPTS[@]}"
}

# The file exists before the fleet starts (a first line from machine 1): the
# byte-order mark goes out with the first line of an empty file, and two
# first runs in the same instant would both find it empty.
started=$(date +%s)
first=$(run_on 1 0)
check "first run: 3" test "$first" = 3
for i in $(seq "$MACHINES"); do
    ( for r in $(seq "$RUNS"); do run_on "$i" "$r"; done >"$WORK/codes-$i.txt" ) &
done
wait
for i in $(seq "$MACHINES"); do
    check "machine $i: $RUNS runs ended with 3" test "$(sort -u "$WORK/codes-$i.txt" | tr '\n' ' ')$(wc -l <"$WORK/codes-$i.txt")" = "3 $RUNS"
done
echo "     $((MACHINES * RUNS + 1)) runs on $MACHINES machines in $(( $(date +%s) - started )) s"

# Every line whole: the time masked, the lines sorted, the file equals the
# lines the runs write, byte for byte; the mark once, at the start.
{
    expected_line 1 0
    for i in $(seq "$MACHINES"); do for r in $(seq "$RUNS"); do expected_line "$i" "$r"; done; done
} | sort >"$WORK/expected.txt"
check "byte-order mark at the start" test "$(head -c 3 "$LOG" | od -An -tx1 | tr -d ' ')" = efbbbf
tail -c +4 "$LOG" | sed -E 's#^[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}, #T, #' | sort >"$WORK/got.txt"
if cmp -s "$WORK/expected.txt" "$WORK/got.txt"; then
    passes=$((passes + 1)); echo "ok   $((MACHINES * RUNS + 1)) lines, each whole"
else
    failures=$((failures + 1)); echo "FAIL the shared log differs from the runs' lines (< expected, > got):"
    diff <(od -c "$WORK/expected.txt") <(od -c "$WORK/got.txt") | head -n 20
fi

expect_logs_report "logs over the shared log" "$LOG" $((MACHINES * RUNS + 1)) $((MACHINES * RUNS + 1)) "3=$((MACHINES * RUNS + 1))"

# --- The control: only appends, many at once ------------------------------
for i in $(seq "$MACHINES"); do
    awk -v tag="M$i" -v count="$CONTROL_LINES" 'BEGIN {
        for (n = 1; n <= count; n++) {
            line = tag " " n " "
            while (length(line) < 40 + n % 50) line = line "."
            print line "\r"
        }
    }'
done | sort >"$WORK/control-expected.txt"
# control ROUND: the three appenders start together on one new file; sets
# whole (lines as written) and turns (how often the next line comes from
# another machine).
control() {
    CONTROL="$SHARED/control-$1.log"
    rm -f "$WORK"/ready-* "$WORK/go"
    local i started
    started=$(date +%s)
    for i in $(seq "$MACHINES"); do
        TARNWICK_PREFIX_NAME=prefix-fleet-$i "$RUN" "$BUILD" "$BUILD/e2e/appender.exe" "$(win "$CONTROL")" "M$i" \
            "$CONTROL_LINES" "$(win "$WORK/ready-$i")" "$(win "$WORK/go")" >"$WORK/appender-$i.txt" 2>&1 &
    done
    for _ in $(seq 300); do [ "$(ls "$WORK"/ready-* 2>/dev/null | wc -l)" = "$MACHINES" ] && break; sleep 0.1; done
    touch "$WORK/go"
    wait
    sort "$CONTROL" >"$WORK/control-got.txt"
    whole=$(comm -12 "$WORK/control-expected.txt" "$WORK/control-got.txt" | wc -l)
    turns=$(cut -d' ' -f1 "$CONTROL" | uniq | wc -l)
    echo "     control $1: $((MACHINES * CONTROL_LINES)) appends in $(( $(date +%s) - started )) s;" \
        "$(wc -l <"$CONTROL") lines in the file, $whole whole, $turns turns between machines"
}
# Windows puts each write of an append-only handle whole at the end of the
# file. Wine 8 does not when separate processes write in the same instant
# (on one machine or several): lines are lost and mixed. The control marks
# that difference (todo_wine: it reports when Wine keeps appends whole; how
# many lines suffer varies, so a round without damage is tried again), and
# the runs above show what Wine does keep: runs that do not write in the
# same instant.
for round in 1 2 3; do
    control "$round"
    [ "$whole" = $((MACHINES * CONTROL_LINES)) ] || break
done
check "control: the machines appended at the same time" test "$turns" -gt $((MACHINES * 10))
if [ "$whole" = $((MACHINES * CONTROL_LINES)) ]; then
    failures=$((failures + 1))
    echo "FAIL todo_wine fixed: every append arrived whole in $round rounds; make the control a plain check"
else
    passes=$((passes + 1))
    echo "todo control: appends in the same instant lost or mixed under Wine:" \
        "$((MACHINES * CONTROL_LINES - whole)) of $((MACHINES * CONTROL_LINES)) lines not whole, e.g.:"
    comm -13 "$WORK/control-expected.txt" "$WORK/control-got.txt" >"$WORK/control-damaged.txt"
    awk 'length > 20 && shown++ < 3 { gsub("\r", "^M"); print "       " $0 }' "$WORK/control-damaged.txt"
fi

finish
