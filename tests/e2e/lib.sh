# Shared helpers of the end-to-end scripts. Source with the build folder as $1.
set -euo pipefail
BUILD=$(cd "$1" && pwd)
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
RUN="$SRC/tests/wine-run.sh"
failures=0
passes=0

# Scripts run side by side under ctest -j, so each has what Wine and the
# window searches would otherwise share: a Wine prefix of its own (named
# after the script, unless it names one), its own X display when ctest asks
# for one (TARNWICK_PRIVATE_DISPLAY=1, set for every end-to-end test; windows
# are found by searching the whole display) and its own loopback ports
# (tests/server/server.sh). The display is stopped when the script exits.
export TARNWICK_PREFIX_NAME=${TARNWICK_PREFIX_NAME:-prefix-$(basename "$0" .sh)}
source "$SRC/scripts/display.sh"
if [ "${TARNWICK_PRIVATE_DISPLAY:-}" = 1 ]; then
    unset TARNWICK_PRIVATE_DISPLAY
    start_display
fi

# Windows path of a Unix path (through Wine's Z: drive).
win() { echo "Z:${1//\//\\}"; }

# Full exit code of a Windows program: exit_code PROGRAM ARGS...
exit_code() {
    "$RUN" "$BUILD" "$BUILD/e2e/exitcode.exe" "$@" 2>/dev/null | tr -d '\r' | tail -n 1
}

# expect_code LABEL EXPECTED PROGRAM ARGS...
expect_code() {
    local label=$1 expected=$2
    shift 2
    local actual
    actual=$(exit_code "$@")
    if [ "$actual" = "$expected" ]; then
        passes=$((passes + 1))
        echo "ok   $label: $actual"
    else
        failures=$((failures + 1))
        echo "FAIL $label: expected $expected, got '${actual}'"
    fi
}

# A check of the script's own: counted as passed when CONDITION (a command
# and its arguments) succeeds.
#   check LABEL CONDITION...
check() {
    local label=$1
    shift
    if "$@"; then passes=$((passes + 1)); echo "ok   $label"; else failures=$((failures + 1)); echo "FAIL $label"; fi
}

finish() {
    echo "$passes passed, $failures failed"
    [ "$failures" -eq 0 ]
}

# A test battery.dll: the sample's sources with some strings replaced (in
# both languages) and, optionally, files of an overlay folder laid out like
# companion/ (e.g. tables/definitions.txt).
#   make_test_library OUTPUT_DLL [--overlay DIR] [ID=TEXT...]
make_test_library() {
    local output=$1 overlay="" work
    shift
    if [ "${1:-}" = --overlay ]; then
        overlay=$2
        shift 2
    fi
    work=$(mktemp -d "$BUILD/e2e/library.XXXXXX")
    mkdir -p "$work/overlay/strings"
    [ -n "$overlay" ] && cp -r "$overlay/." "$work/overlay/"
    local rc
    for rc in strings-en.rc strings-ja.rc; do
        [ -f "$work/overlay/strings/$rc" ] || cp "$SRC/companion/strings/$rc" "$work/overlay/strings/$rc"
        local pair id text
        for pair in "$@"; do
            id=${pair%%=*}
            text=${pair#*=}
            ID="$id" TEXT="$text" perl -i -pe 's/^(\s*)$ENV{ID} (?:".*"|TARNWICK_\w+)/$1$ENV{ID} "$ENV{TEXT}"/' "$work/overlay/strings/$rc"
        done
    done
    python3 "$SRC/companion/build-companion.py" --build-dir "$work/build" --output "$output" \
        --windres i686-w64-mingw32-windres --linker i686-w64-mingw32-ld --overlay "$work/overlay" >/dev/null
    rm -rf "$work"
}

# A window of a run is captured and closed with a click on its button at the
# bottom right (without a window manager Wine gets no keyboard focus); the
# run must end with EXPECTED.
#   expect_window LABEL EXPECTED SHOT_FILE PROGRAM ARGS...
expect_window() {
    local label=$1 expected=$2 shot=$3
    shift 3
    local out
    out=$(mktemp "$BUILD/e2e/code.XXXXXX")
    ( exit_code "$@" >"$out" ) &
    local runner=$! window=""
    # The first window of a new prefix can take long (font caches).
    for _ in $(seq 600); do
        window=$(xdotool search --onlyvisible --name '.+' 2>/dev/null | tail -n 1 || true)
        [ -n "$window" ] && break
        sleep 0.2
    done
    if [ -z "$window" ]; then
        failures=$((failures + 1))
        echo "FAIL $label: no window appeared"
    else
        sleep 1
        import -window root "$shot" 2>/dev/null || true
        echo "     $label: window '$(xdotool getwindowname "$window" 2>/dev/null)' captured in $shot"
    fi
    # Closing can take a few clicks when a window appears late.
    for _ in $(seq 100); do
        kill -0 "$runner" 2>/dev/null || break
        # No window left (search fails) while the run is still ending is fine.
        { xdotool search --onlyvisible --name '.+' 2>/dev/null || true; } | while read -r w; do
            eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
            [ -n "${WIDTH:-}" ] || continue
            xdotool mousemove --window "$w" $((WIDTH - 42)) $((HEIGHT - 37)) click 1 2>/dev/null || true
        done
        sleep 0.5
    done
    wait "$runner" || true
    local actual
    actual=$(cat "$out" 2>/dev/null || true)
    rm -f "$out"
    if [ "$actual" = "$expected" ]; then
        passes=$((passes + 1))
        echo "ok   $label: $actual"
    else
        failures=$((failures + 1))
        echo "FAIL $label: expected $expected, got '$actual'"
    fi
}

# What tarnwick-companion logs (the Windows build, under Wine) reads from a
# log: the runs, the machines and each exit code's count of latest states
# must be those given, and no line may be unreadable.
#   expect_logs_report LABEL LOG RUNS MACHINES "EXIT=MACHINES ..."
expect_logs_report() {
    local label=$1 log=$2 runs=$3 machines=$4 codes=$5 json actual
    json=$("$RUN" "$BUILD" "$BUILD/tools/companion-tool/tarnwick-companion.exe" logs "$(win "$log")" --json 2>/dev/null) || true
    actual=$(printf '%s' "$json" | python3 -c '
import json, sys
r = json.load(sys.stdin)
codes = " ".join("%d=%d" % (e["exit"], e["machines"]) for e in r["byExit"] if e["machines"])
print(r["runs"], r["machines"], len(r["unreadable"]), codes)' 2>&1) || true
    if [ "$actual" = "$runs $machines 0 $codes" ]; then
        passes=$((passes + 1))
        echo "ok   $label: logs reads $runs runs of $machines machines, latest $codes"
    else
        failures=$((failures + 1))
        echo "FAIL $label: logs expected '$runs $machines 0 $codes', got '$actual'"
    fi
}

# A test machine's rows in a tables folder: its definition (an update of
# version 9.9 with the given code, address, tool, parameters and digest), no
# essential software, and every system supported.
#   add_machine_rows TABLES PRODUCT CODE URL TOOL PARAMETERS DIGEST
add_machine_rows() {
    local tables=$1 product=$2
    printf '%s\n%s\n9.9\n%s\n%s\n%s\n%s\n\n' "$product" "$3" "$4" "$5" "$6" "$7" >>"$tables/definitions.txt"
    printf '%s\t0\t0\t0\t0\t0\t0\n' "$product" >>"$tables/requirements.txt"
    printf '%s\t1\t1\t1\t1\t1\t1\t1\t1\n' "$product" >>"$tables/os-support.txt"
}
