#!/usr/bin/env bash
# tarnwick-companion simulate against the real program: for each profile of a
# fleet whose outcome no person or network decides (silent and viewtarget
# runs that end without executing), the machine is set up in a Wine prefix of
# its own as the profile says (SMBIOS file, ReleaseId, services, driver-query
# stand-ins, driver store, the test access library answering the firmware
# version, the tool version, the skip count) and Tarnwick-testhooks.exe's exit
# code must be the one simulate prints.
#   tests/e2e/companion-simulate.sh BUILD_DIR
export TARNWICK_PREFIX_NAME=prefix-companion-simulate
source "$(dirname "$0")/lib.sh" "$1"
PREFIX="$BUILD/$TARNWICK_PREFIX_NAME"
WORK="$BUILD/e2e/companion-simulate"
rm -rf "$WORK"
mkdir -p "$WORK/smbios"
source "$SRC/tests/e2e/standins.sh"
wreg() { "$RUN" "$BUILD" reg "$@" /f /reg:32 >/dev/null 2>&1 || true; }
install_driver_standins
export TARNWICK_TEST_DRIVER_LIST TARNWICK_TEST_SMBIOS TARNWICK_TEST_EC_VERSION TARNWICK_TEST_EC_INFO
# The prefix user's own run: only that may trust the library files it owns.
export TARNWICK_TEST_UNELEVATED=1
TARNWICK_TEST_DRIVER_LIST=$(win "$WORK/drivers.txt")

TOOL="$BUILD/tools/companion-tool/tarnwick-companion.exe"
cp "$BUILD/battery.dll" "$BUILD/Tarnwick-testhooks.exe" "$WORK/"
cat > "$WORK/fleet.csv" <<'CSV'
manufacturer,board,model,serial,windows,firmware,bios,tool,components,skip,mode
KORVANE,KBX1001,KN-1001,SN1,10-1909-64,2.0.5,1.07,,all,,silent
KORVANE,KBX1001,KN-1001,SN2,10-1909-64,2.0.5,1.07,,all,,viewtarget
KORVANE,KBX1001,KN-1001,SN3,10-1909-64,none,1.07,,all,,silent
KORVANE,KBX2002,KN-2002,SN4,10-1909-64,2.0.4,1.9,,all,2,viewtarget
KORVANE,KBX2002,KN-2002,SN5,10-1909-64,2.0.5,1.9,,all,,silent
KORVANE,KBX4004,KN-4004,SN6,10-1909-64,none,1.00,,none,,silent
KORVANE,KBX6006,KN-6006,SN7,10-1909-64,2.0.0,1.00,,all,,silent
KORVANE,KBX7007,KN-7007 Lite,SN8,10-1909-64,2.0.4,1.00,,all,,viewtarget
KORVANE,KBX8008,KN-8008,SN9,10-1909-64,2.0.4,1.00,,all,,silent
KORVANE,KBX9009,KN-9009,SN10,10-1909-64,2.0.4,1.00,,QXSYSEXT,,silent
Acme,KBX1001,KN-1001,SN11,10-1909-64,2.0.4,1.07,,all,,silent
CSV

# simulate's exit column for each profile, in fleet order.
"$RUN" "$BUILD" "$TOOL" simulate "$(win "$WORK/battery.dll")" "$(win "$WORK/fleet.csv")" --csv 2>/dev/null |
    tr -d '\r' | tail -n +2 | python3 -c '
import csv, sys
for row in csv.reader(sys.stdin): print(row[7])' > "$WORK/expected.txt"

# Windows 10 release 1909, 64-bit (the 32-bit program runs under WOW64).
"$RUN" "$BUILD" reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
wreg add 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion' /v ReleaseId /t REG_SZ /d 1909
n=0
tail -n +2 "$WORK/fleet.csv" | while IFS=, read -r maker board model serial windows firmware bios tool components skip mode; do
    n=$((n + 1))
    expected=$(sed -n "${n}p" "$WORK/expected.txt")
    case "$expected" in *[!0-9]*|"") echo "FAIL profile $n: simulate says '$expected', not a code"; continue ;; esac
    python3 "$SRC/tools/make-smbios.py" --manufacturer "$maker" --product "$board" --model "$model" \
        --serial "$serial" --bios-version "$bios" -o "$WORK/smbios/$n.bin"
    TARNWICK_TEST_SMBIOS=$(win "$WORK/smbios/$n.bin")
    has() { [ "$components" = all ] || [[ "+$components+" == *"+$1+"* ]]; }
    : > "$WORK/drivers.txt"
    for pair in VXN02E3:VXN02E3 QXBIOS:QBIOSDRV VXN0420:PeloAcpi; do
        if has "${pair%%:*}"; then
            printf '%s\r\n' "${pair#*:}" >> "$WORK/drivers.txt"
            wreg add "HKLM\\SYSTEM\\CurrentControlSet\\Services\\${pair#*:}" /v start /t REG_DWORD /d 3
        else
            wreg delete "HKLM\\SYSTEM\\CurrentControlSet\\Services\\${pair#*:}"
        fi
    done
    if has IMEI || has IAMT; then printf 'MEI\r\n' >> "$WORK/drivers.txt"; fi
    for store in system32 syswow64; do
        rm -rf "$PREFIX/drive_c/windows/$store/driverstore"
        if has VXN0420; then
            mkdir -p "$PREFIX/drive_c/windows/$store/driverstore/FileRepository/peloacpi.inf_amd64_e2e"
        fi
    done
    # The access library answers the firmware version (3 numbers, nibbles).
    if has QXSYSEXT; then
        wreg add 'HKLM\Software\Korvane\VXN02E3' /v InstPath /t REG_SZ /d "$(win "$BUILD/wintests")"
        wreg add 'HKLM\Software\Korvane\VXN02E3' /v DllName /t REG_SZ /d testaccesslib.dll
    else
        wreg delete 'HKLM\Software\Korvane\VXN02E3'
    fi
    if [ "$firmware" = none ]; then
        TARNWICK_TEST_EC_VERSION=0; TARNWICK_TEST_EC_INFO=0xEF
    else
        IFS=. read -r a b c <<< "$firmware"
        TARNWICK_TEST_EC_VERSION=$(printf '0x%x' $(( (c / 10) << 12 | (c % 10) << 8 | a << 4 | b )))
        TARNWICK_TEST_EC_INFO=0x10
    fi
    if [ -n "$tool" ]; then
        wreg add 'HKLM\Software\Korvane\QxBatteryLimitter' /v version /t REG_SZ /d "$tool"
    else
        wreg delete 'HKLM\Software\Korvane\QxBatteryLimitter'
    fi
    "$RUN" "$BUILD" reg delete 'HKCU\SOFTWARE\Korvane\Holtspur' /f >/dev/null 2>&1 || true
    if [ -n "$skip" ]; then
        "$RUN" "$BUILD" reg add 'HKCU\SOFTWARE\Korvane\Holtspur' /v RtCt /t REG_DWORD /d "$skip" /f >/dev/null 2>&1
    fi
    expect_code "profile $n ($board, $mode)" "$expected" "$WORK/Tarnwick-testhooks.exe" \
        /nochecksignature /nochecknewversion "/$mode" < /dev/null
done | tee "$WORK/results.txt"
passes=$(grep -c '^ok' "$WORK/results.txt" || true)
failures=$(grep -c '^FAIL' "$WORK/results.txt" || true)
finish
