#!/usr/bin/env bash
# Action selection and the update actions' evaluation end to end: the test
# build (Tarnwick-testhooks.exe) beside a battery.dll with rows for these
# cases, SMBIOS tables from tools/make-smbios.py and the test access library
# (tests/win/testaccesslib.c) registered in the 32-bit view of HKLM, in a
# Wine prefix of its own. The library answers what TARNWICK_TEST_EC_* say.
#   tests/e2e/selection.sh BUILD_DIR
export TARNWICK_PREFIX_NAME=prefix-selection
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/selection"
rm -rf "$WORK"
mkdir -p "$WORK/overlay/tables" "$WORK/smbios"

# Definition rows: product, code, version (the other columns are fixed).
row() {
    printf '%s\n%s\n%s\nfirmware/%s.exe\nTool\\Tool.exe\n/s\n%064d\n\n' "$1" "$2" "$3" "$1" 0
}
{
    row E2EFW 1 3.4.12
    row E2EBADTARGET 1 none
    row E2EBIOS 2 1.9
    row E2EPAIR 4 1.9
    row E2EPAIR 5 3.4.12
    row E2EREADY 6 1.0
    row E2EOS0 1 3.4.12
    row E2EOS6 1 3.4.12
    row E2EEXCL 1 3.4.12
} >"$WORK/overlay/tables/definitions.txt"
printf 'E2E-EXCLUDED\n' >"$WORK/overlay/tables/excluded-models.txt"
printf 'E2EOS0\t0\t0\t0\t0\t0\t0\t0\t0\nE2EOS6\t6\t6\t6\t6\t6\t6\t6\t6\n' >"$WORK/overlay/tables/os-support.txt"
printf 'E2EFW\t0\t0\t0\t0\t0\t0\n' >"$WORK/overlay/tables/requirements.txt"
# Downloads go to a loopback port where nothing listens: a run that reaches
# Execute ends with 1012 (the address cannot be opened) without waiting
# between attempts.
source "$SRC/tests/server/server.sh"
make_test_library "$WORK/battery.dll" --overlay "$WORK/overlay" 146="http://127.0.0.1:$(free_port)/"
export TARNWICK_TEST_RETRY_WAIT_MS=0
# The prefix user's own run: only that may trust the library files it owns.
export TARNWICK_TEST_UNELEVATED=1
cp "$BUILD/Tarnwick-testhooks.exe" "$WORK/"
EXE="$WORK/Tarnwick-testhooks.exe"

"$RUN" "$BUILD" reg add 'HKLM\Software\Korvane\VXN02E3' /v InstPath /t REG_SZ \
    /d "$(win "$BUILD/wintests")" /f /reg:32 >/dev/null 2>&1
"$RUN" "$BUILD" reg add 'HKLM\Software\Korvane\VXN02E3' /v DllName /t REG_SZ /d testaccesslib.dll /f /reg:32 \
    >/dev/null 2>&1
"$RUN" "$BUILD" reg delete 'HKCU\SOFTWARE\Korvane\Holtspur' /f >/dev/null 2>&1 || true

# machine NAME PRODUCT [BIOS [MAKER [MODEL]]]
machine() {
    python3 "$SRC/tools/make-smbios.py" --manufacturer "${4:-KORVANE}" --product "$2" --model "${5:-KN-E2E}" \
        --serial E2E --bios-version "${3:-1.9}" -o "$WORK/smbios/$1.bin"
}
# run LABEL EXPECTED MACHINE EC_VERSION EC_INFO ARGS...
run() {
    local label=$1 expected=$2 table=$3
    export TARNWICK_TEST_SMBIOS TARNWICK_TEST_EC_VERSION=$4 TARNWICK_TEST_EC_INFO=$5
    TARNWICK_TEST_SMBIOS=$(win "$WORK/smbios/$table.bin")
    shift 5
    expect_code "$label" "$expected" "$EXE" /nochecksignature /nochecknewversion "$@"
}
skip_count() {
    local value
    value=$("$RUN" "$BUILD" reg query 'HKCU\SOFTWARE\Korvane\Holtspur' /v RtCt 2>/dev/null | tr -d '\r' |
        awk '$1 == "RtCt" && $2 == "REG_DWORD" { print $3 }')
    if [ -n "$value" ]; then echo $((value)); fi
}
expect_skip_count() {
    local actual
    actual=$(skip_count)
    if [ "$actual" = "$2" ]; then
        passes=$((passes + 1)); echo "ok   $1: RtCt $actual"
    else
        failures=$((failures + 1)); echo "FAIL $1: RtCt expected $2, got '$actual'"
    fi
}

machine fw E2EFW
machine badtarget E2EBADTARGET
machine bios-nodigits E2EBIOS ABC
machine other-maker E2EFW 1.9 "Acme"
machine excluded E2EEXCL 1.9 KORVANE E2E-EXCLUDED
machine os0 E2EOS0
machine os6 E2EOS6
machine ready E2EREADY
machine pair-oldbios E2EPAIR 1.8
machine pair E2EPAIR 1.9

# Firmware 3.4.12 installed (0x1234) against the row's 3.4.12.
run "firmware current" 2 fw 0x1234 0x10 /silent
run "firmware older: silent executes" 1012 fw 0x1233 0x10 /silent
run "firmware unreadable (bit 4 clear)" 1006 fw 0x1234 0xEF /silent
run "target version unusable" 1006 badtarget 0x1234 0x10 /silent
run "BIOS version without digits" 1006 bios-nodigits 0x1234 0x10 /silent
run "pair, firmware unreadable" 1005 pair 0x1234 0xEF /silent
run "not the maker" 3 other-maker 0x1234 0x10 /silent
run "excluded model" 3 excluded 0x1234 0x10 /silent
run "operating-system code 0" 3 os0 0x1234 0x10 /silent
run "getting ready from the row" 4 ready 0x1234 0x10 /silent
run "getting ready from the system table" 4 os6 0x1234 0x10 /silent
run "forced firmware update" 1012 other-maker 0 0 /silent /force 1
run "forced firmware variant" 1012 other-maker 0 0 /silent /force 7

# The skip count: a pair that offers the BIOS sets it to 2; notification
# runs in which the pair resolves to the firmware count it down and report
# not a target, until the firmware is offered again.
run "pair offers the BIOS first" 1012 pair-oldbios 0x1233 0x10 /silent
expect_skip_count "after the BIOS offer" 2
run "notification run 1 held back" 3 pair 0x1233 0x10 /viewtarget /silent
expect_skip_count "after notification run 1" 1
run "notification run 2 held back" 3 pair 0x1233 0x10 /viewtarget /silent
expect_skip_count "after notification run 2" 0
run "notification run 3 offers the firmware" 1012 pair 0x1233 0x10 /viewtarget /silent
expect_skip_count "after notification run 3" 0
run "pair, firmware current: nothing to do" 2 pair 0x1234 0x10 /viewtarget /silent

# The access library's folder: one that everyone may write to (Wine reads the
# Unix mode 0777 as an entry for Everyone) is never loaded from; a helper
# that the library loads by bare name is found beside it while it is loaded.
mkdir -p "$WORK/ec"
cp "$BUILD/wintests/testaccesslib.dll" "$BUILD/wintests/markerdll.dll" "$WORK/ec/"
chmod 0755 "$WORK/ec"
"$RUN" "$BUILD" reg add 'HKLM\Software\Korvane\VXN02E3' /v InstPath /t REG_SZ \
    /d "$(win "$WORK/ec")" /f /reg:32 >/dev/null 2>&1
export TARNWICK_TEST_EC_HELPER=markerdll.dll
run "library folder only its owner may change" 2 fw 0x1234 0x10 /silent
chmod 0777 "$WORK/ec"
run "library folder everyone may change: not loaded" 1006 fw 0x1234 0x10 /silent
chmod 0755 "$WORK/ec"
chmod 0666 "$WORK/ec/testaccesslib.dll"
run "library file everyone may change: not loaded" 1006 fw 0x1234 0x10 /silent
chmod 0755 "$WORK/ec/testaccesslib.dll"
unset TARNWICK_TEST_EC_HELPER

finish
