#!/usr/bin/env bash
# Exit codes of Tarnwick.exe itself under Wine.
source "$(dirname "$0")/lib.sh" "$1"
EXE="$BUILD/Tarnwick.exe"
MUTEX='KorvanePemberlin-{98FD7549-2EAA-485F-AFEB-179B5963E49A}'

# Every malformed command line gives 1001.
expect_code "non-switch argument" 1001 "$EXE" silent
expect_code "unknown switch" 1001 "$EXE" /nosuch
expect_code "upper-case switch" 1001 "$EXE" /SILENT
expect_code "repeated switch" 1001 "$EXE" /silent -silent
expect_code "repeated value switch" 1001 "$EXE" /log a.log /log b.log
expect_code "value switch last" 1001 "$EXE" /silent /log
expect_code "empty argument" 1001 "$EXE" '""'
expect_code "lone dash" 1001 "$EXE" -
expect_code "appended value" 1001 "$EXE" /force=1

# Forced actions in silent mode.
expect_code "force 0 (not a target)" 3 "$EXE" /silent /nochecksignature /force 0
expect_code "force 6 (getting ready)" 4 "$EXE" /silent /nochecksignature /force 6
expect_code "force 8 (essential software)" 2 "$EXE" /silent /nochecksignature /force 8

# The report branches end with 0 whatever happens.
# The release-file branch is never silent: with the unsigned sample library
# it shows the library-missing message, which is closed here.
"$RUN" "$BUILD" "$BUILD/e2e/press.exe" 8 >/dev/null 2>&1 &
expect_code "release file and report" 0 "$EXE" /makereleasedat /showinfo x
wait

# A second instance, while another process holds the mutex, ends at once.
start=$(date +%s)
expect_code "second instance" 1002 --hold-mutex "$MUTEX" "$EXE" /silent /force 0
elapsed=$(( $(date +%s) - start ))
if [ "$elapsed" -gt 20 ]; then
    failures=$((failures + 1)); echo "FAIL second instance took ${elapsed}s"
fi

finish
