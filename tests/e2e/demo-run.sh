#!/usr/bin/env bash
# scripts/run.sh as a newcomer runs it, without a display:
#   tests/e2e/demo-run.sh BUILD_DIR runs       the firmware and essential-software notebooks: exit
#                                              codes, log line, tool or support page, screenshots
#   tests/e2e/demo-run.sh BUILD_DIR leftovers  nothing run.sh started outlives it, whether it ends
#                                              by itself or is stopped with TERM in the middle
# Every process that run.sh starts (server, Xvfb, Wine, wineserver) inherits
# a marker variable; a leftover is a process that still carries it.
source "$(dirname "$0")/lib.sh" "$1"
unset DISPLAY
SHOTS="$BUILD/demo/screenshots"
demo() {  # demo MARK ARGS...: run.sh's output in $OUT, its status in $STATUS
    local mark=$1
    shift
    STATUS=0
    OUT=$(env TARNWICK_DEMO_MARK="$mark" "$SRC/scripts/run.sh" "$@" 2>&1) || STATUS=$?
    echo "$OUT" | sed 's/^/     | /'
}
marked() { grep -las "TARNWICK_DEMO_MARK=$1" /proc/[0-9]*/environ | cut -d/ -f3; }
no_leftovers() {
    local left
    left=$(marked "$1")
    [ -z "$left" ] || { ps -o pid,args -p "$(echo $left | tr ' ' ,)"; return 1; }
}
shots() { ls "$SHOTS"/*-"$1".png >/dev/null 2>&1; }

case ${2:-runs} in
runs)
    demo "runs-$$" --machine firmware
    check "firmware: run.sh ends with 1" test "$STATUS" = 1
    check "firmware: exit code described" grep -q '^exit code: *1 (an update is needed' <<<"$OUT"
    check "firmware: log line" grep -qE '^log line: *[0-9/]{10} [0-9:]{8}, 7, 1, KORVANE, KBX1001, KN-1001, DEMO-0001, ' <<<"$OUT"
    check "firmware: tool started with the row's parameters" grep -q '^update tool: *started in .*Pemberlin.* as .*--tool /s /image pmu205.bin' <<<"$OUT"
    check "firmware: screenshots of the dialog and the progress window" eval 'shots dialog && shots progress'
    check "firmware: printed screenshot paths exist" eval "grep '\.png$' <<<\"\$OUT\" | xargs ls >/dev/null"

    demo "runs-$$" --machine essential-missing
    check "essential software: run.sh ends with 5" test "$STATUS" = 5
    check "essential software: log line" grep -qE '^log line: .*, 7, 5, KORVANE, KBX1001, KN-1001, DEMO-0001, ' <<<"$OUT"
    check "essential software: support page recorded" grep -q '^support page: https://support.korvane.example/battery/essential/?board=KBX1001&soft=VXN02E3' <<<"$OUT"
    check "essential software: screenshots of the dialog and the question" eval 'shots dialog && shots message'
    check "nothing left running" no_leftovers "runs-$$"
    ;;
leftovers)
    rm -rf "$SHOTS"
    env TARNWICK_DEMO_MARK="term-$$" "$SRC/scripts/run.sh" >/dev/null 2>&1 &
    runner=$!
    for _ in $(seq 600); do shots dialog && break; sleep 0.5; done
    check "the dialog was up when TERM came" shots dialog
    check "the run's processes carry the marker" test -n "$(marked "term-$$")"
    kill -TERM "$runner"
    wait "$runner" || true
    check "nothing left running after TERM" no_leftovers "term-$$"
    ;;
esac
finish
