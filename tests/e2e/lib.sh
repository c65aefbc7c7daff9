# Shared helpers of the end-to-end scripts. Source with the build folder as $1.
set -euo pipefail
BUILD=$(cd "$1" && pwd)
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
RUN="$SRC/tests/wine-run.sh"
failures=0
passes=0

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

finish() {
    echo "$passes passed, $failures failed"
    [ "$failures" -eq 0 ]
}
