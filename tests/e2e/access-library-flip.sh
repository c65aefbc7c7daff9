#!/usr/bin/env bash
# The access library behind a folder link that flips between two targets
# while the runs read the firmware version: good/ holds the test access
# library (tests/win/testaccesslib.c), bad/ (everyone may write to it) a
# library of the same name whose entry point leaves a marker file beside it
# (tests/win/markerdll.c). No run may ever load bad/'s library: a link
# anywhere on the way fails the check, as a failed load does. Straight from
# good/ the version is still read. Each run is the prefix user's own
# (TARNWICK_TEST_UNELEVATED), so the owner check lets the library through
# and only the path decides.
#   tests/e2e/access-library-flip.sh BUILD_DIR [PROGRAM [RUNS]]
# PROGRAM replaces the build's Tarnwick-testhooks.exe (e.g. an older build,
# to see whether the flip wins against it); RUNS flipped runs (default 30).
export TARNWICK_PREFIX_NAME=prefix-access-library-flip
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/access-library-flip"
RUNS=${3:-30}
rm -rf "$WORK"
mkdir -p "$WORK/overlay/tables" "$WORK/good" "$WORK/bad"

# Firmware 3.4.12 is current: a run that reads it ends with 2, one that
# cannot read it with 1006.
printf 'E2EFW\n1\n3.4.12\nfirmware/E2EFW.exe\nTool\\Tool.exe\n/s\n%064d\n\n' 0 >"$WORK/overlay/tables/definitions.txt"
printf 'E2EFW\t0\t0\t0\t0\t0\t0\n' >"$WORK/overlay/tables/requirements.txt"
make_test_library "$WORK/battery.dll" --overlay "$WORK/overlay"
cp "${2:-$BUILD/Tarnwick-testhooks.exe}" "$WORK/Tarnwick-testhooks.exe"
python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product E2EFW --model KN-E2E --serial E2E \
    --bios-version 1.9 -o "$WORK/fw.bin"
export TARNWICK_TEST_SMBIOS TARNWICK_TEST_EC_VERSION=0x1234 TARNWICK_TEST_EC_INFO=0x10 TARNWICK_TEST_UNELEVATED=1
TARNWICK_TEST_SMBIOS=$(win "$WORK/fw.bin")

cp "$BUILD/wintests/testaccesslib.dll" "$WORK/good/"
cp "$BUILD/wintests/markerdll.dll" "$WORK/bad/testaccesslib.dll"
chmod 0755 "$WORK/good"
chmod 0777 "$WORK/bad"

register() {  # register FOLDER
    "$RUN" "$BUILD" reg add 'HKLM\Software\Korvane\VXN02E3' /v InstPath /t REG_SZ /d "$(win "$1")" /f /reg:32 \
        >/dev/null 2>&1
    "$RUN" "$BUILD" reg add 'HKLM\Software\Korvane\VXN02E3' /v DllName /t REG_SZ /d testaccesslib.dll /f /reg:32 \
        >/dev/null 2>&1
}
run() {  # run LABEL EXPECTED
    expect_code "$1" "$2" "$WORK/Tarnwick-testhooks.exe" /silent /nochecksignature /nochecknewversion
}
markers() { find "$WORK/good" "$WORK/bad" -name '*.marker' | wc -l; }

register "$WORK/good"
run "library straight from its folder: version read" 2
ln -s good "$WORK/link"
register "$WORK/link"
run "library behind a link to that folder: refused" 1006

# The flip: the link swapped between good/ and bad/ (a new link renamed over
# it, so it always exists) as fast as Python can, for as long as the runs
# last.
cat >"$WORK/flip.py" <<'PY'
import os, sys, time
link, stop = sys.argv[1], sys.argv[2]
turn = 0
while not os.path.exists(stop):
    os.symlink("good" if turn % 2 else "bad", link + ".new")
    os.replace(link + ".new", link)
    turn += 1
    time.sleep(0.0002)
PY
python3 "$WORK/flip.py" "$WORK/link" "$WORK/stop" &
flipper=$!
trap 'touch "$WORK/stop"; wait "$flipper" 2>/dev/null || true' EXIT
loaded=0
codes=""
for n in $(seq "$RUNS"); do
    codes+="$(exit_code "$WORK/Tarnwick-testhooks.exe" /silent /nochecksignature /nochecknewversion) "
    if [ "$(markers)" != 0 ]; then
        loaded=$((loaded + 1))
        find "$WORK/good" "$WORK/bad" -name '*.marker' -delete
    fi
done
touch "$WORK/stop"
wait "$flipper" || true
echo "     exit codes of $RUNS flipped runs: $codes"
check "no flipped run loaded the library from bad/ (loaded in $loaded of $RUNS)" [ "$loaded" = 0 ]
check "every flipped run refused the linked library" [ "$(echo $codes | tr ' ' '\n' | sort -u)" = 1006 ]

finish
