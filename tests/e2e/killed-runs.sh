#!/usr/bin/env bash
# A run killed at each step leaves nothing that stops the next one. The
# program is ended with TerminateProcess (exitcode.exe --kill-on, as Task
# Manager or a deployment's time limit does) during the download, while the
# package runs, after the charge-limit tool has started and while the dialog
# is up; the next silent run of the same notebook must decide and end with 0
# (so the guard is free), and the log must hold one whole line per finished
# run and nothing of the killed ones (a run writes its line at its end).
# Needs a display for the dialog (scripts/display.sh). The log stays in
# BUILD/e2e/killed-runs/killed.log.
#   tests/e2e/killed-runs.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
source "$SRC/tests/server/server.sh"
export TARNWICK_PREFIX_NAME=prefix-fleet-1
PREFIX="$BUILD/$TARNWICK_PREFIX_NAME"
WORK="$BUILD/e2e/killed-runs"
EXE_NAME=Tarnwick-testhooks.exe
rm -rf "$WORK"
mkdir -p "$WORK/root" "$WORK/overlay/tables" "$WORK/smbios" "$WORK/app"
# The dialog needs a display: ctest gives the script one of its own (lib.sh);
# run by hand, it uses the one it is given or starts one.
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || start_display
# The prefix's processes start afresh on this display and end with the script.
stop_prefix() { WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1 || true; }
stop_prefix
at_exit stop_prefix
cp "$BUILD/wintests/testpackage.exe" "$WORK/root/pkg.exe"
start_server "$WORK/root" "$WORK/requests.log"
hash=$(sha256sum "$WORK/root/pkg.exe" | cut -c1-64)

# KBXK01 gets the charge-limit tool (waited for) from pkg.exe, KBXK02 the
# same from slow/pkg.exe (about two seconds).
: >"$WORK/overlay/tables/definitions.txt"
cp "$SRC/companion/tables/requirements.txt" "$SRC/companion/tables/os-support.txt" "$WORK/overlay/tables/"
for row in "KBXK01|pkg.exe" "KBXK02|slow/pkg.exe"; do
    IFS='|' read -r product url <<<"$row"
    add_machine_rows "$WORK/overlay/tables" "$product" 3 "$url" tool.exe --tool "$hash"
    python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product "$product" --model "KN K" \
        --serial "K-$product" --bios-version 1.0 -o "$WORK/smbios/$product.bin"
done
make_test_library "$WORK/app/battery.dll" --overlay "$WORK/overlay" 146="$SERVER_URL"
cp "$BUILD/$EXE_NAME" "$WORK/app/"
EXE="$WORK/app/$EXE_NAME"
LOG="$WORK/killed.log"
OPTS=(/nochecksignature /nochecknewversion /log "$(win "$LOG")")
export TARNWICK_TEST_RETRY_WAIT_MS=100 TARNWICK_TEST_TOOL_MARKER TARNWICK_TEST_PACKAGE_MARKER
TARNWICK_TEST_TOOL_MARKER=$(win "$WORK/tool.txt")
TARNWICK_TEST_PACKAGE_MARKER=$(win "$WORK/package.txt")
: >"$WORK/tool.txt"
: >"$WORK/package.txt"
on() { export TARNWICK_TEST_SMBIOS; TARNWICK_TEST_SMBIOS=$(win "$WORK/smbios/$1.bin"); }
controls() { "$RUN" "$BUILD" "$BUILD/e2e/wincontrols.exe" "$@" 2>/dev/null | tr -d '\r'; }
grown() { [ "$(wc -l <"$1")" -gt "$2" ]; }  # grown FILE LINES: more lines than before

# killed STEP PRODUCT WAIT-FOR SETTING [ARGS...]: starts a run (with the
# variable SETTING, NAME=VALUE, or none for -), kills it once WAIT-FOR (a
# shell command) succeeds, then the next silent run of the same notebook
# must end with 0.
finished=()
killed() {
    local step=$1 product=$2 wait_for=$3 setting=$4
    shift 4
    on "$product"
    rm -f "$WORK/kill"
    (
        [ "$setting" = - ] || export "${setting?}"
        exit_code --kill-on "$(win "$WORK/kill")" "$EXE" "${OPTS[@]}" "$@" >"$WORK/code"
    ) &
    local runner=$! reached=0
    for _ in $(seq 600); do
        if eval "$wait_for"; then reached=1; break; fi
        kill -0 "$runner" 2>/dev/null || break
        sleep 0.2
    done
    touch "$WORK/kill"
    wait "$runner" || true
    if [ "$reached" = 1 ] && [ "$(cat "$WORK/code")" = $((0xDEAD)) ]; then
        passes=$((passes + 1)); echo "ok   $step: killed there"
    else
        failures=$((failures + 1)); echo "FAIL $step: not killed there (reached $reached, exit code '$(cat "$WORK/code")')"
    fi
    expect_code "$step: the next run updates (0)" 0 "$EXE" /silent "${OPTS[@]}"
    finished+=("$product")
}

started=$(date +%s)
killed "during the download" KBXK02 'grep -q "^/slow/pkg.exe" "$WORK/requests.log" && sleep 0.5' - /silent
packages=$(wc -l <"$WORK/package.txt")
killed "while the package runs" KBXK01 'grown "$WORK/package.txt" $packages' TARNWICK_TEST_PACKAGE_WAIT_MS=20000 /silent
tools=$(wc -l <"$WORK/tool.txt")
killed "after the tool has started" KBXK01 'grown "$WORK/tool.txt" $tools' TARNWICK_TEST_TOOL_WAIT_MS=20000 /silent
killed "during the dialog" KBXK01 'controls wait "Korvane Battery Charging Update" 1 >/dev/null' -
echo "     four killed runs and their next runs in $(( $(date +%s) - started )) s"

# The log: the mark once at the start, then one line per finished run, in
# order, each whole; nothing of the killed runs.
expected=$(for product in "${finished[@]}"; do
    printf 'T, 7, 0, KORVANE, %s, KNK, K-%s, \r\n' "$product" "$product"
done | od -An -c)
got=$(sed -E '1s/^\xEF\xBB\xBF//; s#^[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}, #T, #' "$LOG" | od -An -c)
check_log() { [ "$(head -c 3 "$LOG" | od -An -tx1 | tr -d ' ')" = efbbbf ] && [ "$got" = "$expected" ]; }
if check_log; then
    passes=$((passes + 1)); echo "ok   log: ${#finished[@]} whole lines, one per finished run"
else
    failures=$((failures + 1)); echo "FAIL log: expected (after the mark)"; echo "$expected" | head; echo "     got"; od -c "$LOG" | head -n 20
fi
machines=$(printf '%s\n' "${finished[@]}" | sort -u | wc -l)
expect_logs_report "logs over the killed runs' log" "$LOG" ${#finished[@]} "$machines" "0=$machines"
finish
