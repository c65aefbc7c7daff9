#!/usr/bin/env bash
# The essential-software run's support page, in a Wine prefix of its own,
# through a recording browser: the board's SMBIOS product reaches the page's
# address percent-encoded, and a run that may not open a browser ends with 6
# right after OK, without asking. Wine runs everything as the user at the
# screen; with its wtsapi32 switched off the run cannot read the session's
# user, which counts as another user's run. Needs a display.
#   tests/e2e/support-page.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
PREFIX="$BUILD/$TARNWICK_PREFIX_NAME"
WORK="$BUILD/e2e/support-page"
rm -rf "$WORK"
mkdir -p "$WORK/start" "$WORK/overlay/tables"
source "$SRC/tests/e2e/standins.sh"
wreg() { "$RUN" "$BUILD" reg "$@" /f >/dev/null 2>&1 || true; }

# --- The prefix: driver stand-ins listing nothing, a browser recorder ------
install_driver_standins
: >"$WORK/drivers.txt"
export TARNWICK_TEST_DRIVER_LIST
TARNWICK_TEST_DRIVER_LIST=$(win "$WORK/drivers.txt")
cat >"$WORK/browser.sh" <<SH
#!/bin/sh
printf '%s\n' "\$1" >> "$WORK/opened.txt"
SH
chmod +x "$WORK/browser.sh"
wreg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$WORK/browser.sh"
wreg add 'HKCU\Software\Wine' /v Version /d win10  # the address names the system

# --- A board whose product is no plain word, and that needs VXN02E3 -------
# (The program drops blanks from the product, so it holds none.)
PRODUCT='KB&X#7?os=x%41'
printf '%s\t1\t0\t0\t0\t0\t0\n' "$PRODUCT" >"$WORK/overlay/tables/requirements.txt"
make_test_library "$WORK/start/battery.dll" --overlay "$WORK/overlay"
cp "$BUILD/Tarnwick-testhooks.exe" "$WORK/start/"
EXE="$WORK/start/Tarnwick-testhooks.exe"
python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product "$PRODUCT" --model KN-7 --serial SN7 \
    --bios-version 1.0 -o "$WORK/machine.bin"
export TARNWICK_TEST_SMBIOS
TARNWICK_TEST_SMBIOS=$(win "$WORK/machine.bin")
cd "$WORK/start"

# An interactive run: the presses (ID:OTHER-ID of tests/e2e/press.c) in
# order, then the run must end with EXPECTED within a minute; a run still
# showing a window then is ended and fails.
#   interactive LABEL EXPECTED "PRESSES"
interactive() {
    local label=$1 expected=$2 presses=$3 press actual
    rm -f "$WORK/code"
    ( exit_code "$EXE" /nochecknewversion /nochecksignature > "$WORK/code" ) &
    local runner=$!
    for press in $presses; do
        "$RUN" "$BUILD" "$BUILD/e2e/press.exe" ${press//:/ } >/dev/null 2>&1 || echo "     ($label: nothing to press for $press)"
    done
    for _ in $(seq 300); do
        kill -0 "$runner" 2>/dev/null || break
        sleep 0.2
    done
    if kill -0 "$runner" 2>/dev/null; then
        WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1 || true
        echo "     ($label: still running a minute after the last press: a window came again)"
    fi
    wait "$runner" || true
    actual=$(cat "$WORK/code" 2>/dev/null || true)
    check "$label: expected $expected, got '$actual'" test "$actual" = "$expected"
}

# The user at the screen: OK, then "open" on the question.
interactive "support page opened" 5 "1:1002 100:200"
for _ in $(seq 50); do [ -s "$WORK/opened.txt" ] && break; sleep 0.2; done
check "the product is one encoded value of board=: $(cat "$WORK/opened.txt" 2>/dev/null)" test \
    "$(cat "$WORK/opened.txt" 2>/dev/null)" = \
    'https://support.korvane.example/battery/essential/?board=KB%26X%237%3Fos%3Dx%2541&soft=VXN02E3&os=win1064'

# A run that cannot tell whose session it is in: OK ends it with 6, no
# question, no page. (Before, the dialog came back after every OK.)
rm -f "$WORK/opened.txt"
WINEDLLOVERRIDES="mscoree,mshtml,wtsapi32=" interactive "no browser for this run: 6 right after OK" 6 "1:1002"
sleep 2
check "no page opened for that run" test ! -e "$WORK/opened.txt"

WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1 || true
finish
