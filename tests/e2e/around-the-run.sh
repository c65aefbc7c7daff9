#!/usr/bin/env bash
# Around the run, in a Wine prefix of its own: the prerequisite probes with
# a driverquery stand-in in both system folders (and no command interpreter
# or findstr started), the support page
# through a recording browser, the log line, the report and the release file
# byte for byte, /log paths that must not be written, and the start-up
# program. Needs a display (scripts/display.sh) for the interactive cases.
source "$(dirname "$0")/lib.sh" "$1"
export TARNWICK_PREFIX_NAME=prefix-around
PREFIX="$BUILD/$TARNWICK_PREFIX_NAME"
WORK="$BUILD/e2e/around"
rm -rf "$WORK"
mkdir -p "$WORK/start" "$WORK/smbios" "$WORK/overlay/tables"
source "$SRC/tests/e2e/standins.sh"
wreg() { "$RUN" "$BUILD" reg "$@" /f >/dev/null 2>&1 || true; }

# --- The prefix: stand-ins, browser recorder, a clean registry ------------
install_driver_standins
cat > "$WORK/browser.sh" <<SH
#!/bin/sh
printf '%s\n' "\$1" >> "$WORK/opened.txt"
SH
chmod +x "$WORK/browser.sh"
wreg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$WORK/browser.sh"
wreg add 'HKCU\Software\Wine' /v Version /d win10  # the support address names the system
STORE="$PREFIX/drive_c/windows/system32/driverstore/FileRepository"
STORE32="$PREFIX/drive_c/windows/syswow64/driverstore/FileRepository"
SERVICES='HKLM\SYSTEM\CurrentControlSet\Services'
ACCESS='HKLM\Software\Korvane\VXN02E3'
RUNKEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
reset_machine() {
    for service in VXN02E3 QBIOSDRV PeloAcpi; do wreg delete "$SERVICES\\$service" /reg:32; done
    wreg delete "$ACCESS" /reg:32
    wreg delete "$RUNKEY" /v VXN02B1_Apps /reg:32
    rm -rf "$STORE" "$STORE32" "$WORK/drivers.txt" "$WORK/opened.txt"
    touch "$WORK/drivers.txt"
}
export TARNWICK_TEST_DRIVER_LIST
TARNWICK_TEST_DRIVER_LIST=$(win "$WORK/drivers.txt")
drivers() { printf '%s\r\n' "$@" > "$WORK/drivers.txt"; }

# --- The program, a library with our requirement rows, the machines --------
printf 'KBX0001\t1\t0\t0\t0\t0\t0\nKBX0002\t0\t1\t0\t0\t0\t0\nKBX0003\t0\t0\t0\t1\t0\t0\nKBX0045\t0\t0\t0\t0\t1\t1\n' \
    > "$WORK/overlay/tables/requirements.txt"
python3 "$SRC/companion/build-companion.py" --build-dir "$WORK/companion" --output "$WORK/battery.dll" \
    --windres i686-w64-mingw32-windres --linker i686-w64-mingw32-ld --overlay "$WORK/overlay" >/dev/null
# Signed, since the report branches always check the signature.
sign_library "$WORK/battery.dll" "$WORK/start/battery.dll"
cp "$BUILD/Tarnwick-testhooks.exe" "$WORK/start/"
EXE="$WORK/start/Tarnwick-testhooks.exe"
for product in KBX0001 KBX0002 KBX0003 KBX0045; do
    python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product "$product" --model "KN-${product: -2}" \
        --serial SN1 --bios-version 1.0 -o "$WORK/smbios/$product.bin"
done
python3 "$SRC/tools/make-smbios.py" --manufacturer "Korvane Inc." --product "B&X" --model Cafe \
    --serial 7 --bios-version 1.0 -o "$WORK/smbios/other.bin"
machine() { export TARNWICK_TEST_SMBIOS; TARNWICK_TEST_SMBIOS=$(win "$WORK/smbios/$1.bin"); }
SILENT=(/silent /nochecknewversion)
cd "$WORK/start"  # the folder the tool is started from

# --- Prerequisite probes (silent: 6 when missing, else selection's 3) -----
reset_machine
machine KBX0001
expect_code "nothing installed" 6 "$EXE" "${SILENT[@]}"
drivers 'VXN02E3      VXN02E3 Device         Kernel        1/2/2024'
wreg add "$SERVICES\\VXN02E3" /reg:32
expect_code "driver listed, service without start" 6 "$EXE" "${SILENT[@]}"
wreg add "$SERVICES\\VXN02E3" /v start /t REG_DWORD /d 4 /reg:32
expect_code "driver and disabled service" 3 "$EXE" "${SILENT[@]}"
drivers 'vxn02e3      vxn02e3'
expect_code "driver name differs in case" 6 "$EXE" "${SILENT[@]}"

machine KBX0002
mkdir -p "$PREFIX/drive_c/korvane/sub"
touch "$PREFIX/drive_c/korvane/ec.dll"
wreg add "$ACCESS" /v InstPath /d 'C:\korvane' /reg:32
wreg add "$ACCESS" /v DllName /d ec.dll /reg:32
expect_code "access library present" 3 "$EXE" "${SILENT[@]}"
wreg add "$ACCESS" /v DllName /d sub /reg:32
expect_code "access library names a folder" 6 "$EXE" "${SILENT[@]}"
wreg add "$ACCESS" /v InstPath /t REG_EXPAND_SZ /d '%SystemDrive%\korvane' /reg:32
wreg add "$ACCESS" /v DllName /d ec.dll /reg:32
expect_code "access library path not expanded" 6 "$EXE" "${SILENT[@]}"

machine KBX0003
drivers 'PeloAcpi     Pelo ACPI'
wreg add "$SERVICES\\PeloAcpi" /v start /t REG_DWORD /d 3 /reg:32
expect_code "no driver-store entry" 6 "$EXE" "${SILENT[@]}"
mkdir -p "$STORE/peloacpi.inf_amd64_0123abcd"
# Windows exempts System32\DriverStore from the redirection of a 32-bit
# program's system folder; Wine 8 redirects it to SysWOW64 like the rest.
mkdir -p "$STORE32/peloacpi.inf_amd64_0123abcd"
expect_code "driver-store entry" 3 "$EXE" "${SILENT[@]}"

machine KBX0045
drivers 'MEIx64       Management Engine'
expect_code "MEIx64 serves both slots" 3 "$EXE" "${SILENT[@]}"
# Markers in the start folder would answer "found" to every query.
cp "$BUILD/e2e/marker.exe" "$WORK/start/driverquery.exe"
cp "$BUILD/e2e/marker.exe" "$WORK/start/findstr.exe"
drivers 'QBIOSDRV     BIOS'
expect_code "start-folder programs are not used" 6 "$EXE" "${SILENT[@]}"
if [ -e "$WORK/start/marker-ran.txt" ]; then
    failures=$((failures + 1)); echo "FAIL a program in the start folder ran: $(cat "$WORK/start/marker-ran.txt")"
else
    passes=$((passes + 1)); echo "ok   no program in the start folder ran"
fi

# The probe starts no command interpreter and no findstr: markers stand in
# for both in the system folders (preferred to Wine's own) for one run, which
# still decides as before.
for folder in system32 syswow64; do
    for program in cmd findstr; do
        mv "$PREFIX/drive_c/windows/$folder/$program.exe" "$WORK/$folder-$program.exe" 2>/dev/null || true
        cp "$BUILD/e2e/marker.exe" "$PREFIX/drive_c/windows/$folder/$program.exe"
    done
done
wreg add 'HKCU\Software\Wine\DllOverrides' /v cmd.exe /d native
wreg add 'HKCU\Software\Wine\DllOverrides' /v findstr.exe /d native
drivers 'MEIx64       Management Engine'
expect_code "MEIx64 serves both slots, without cmd or findstr" 3 "$EXE" "${SILENT[@]}"
ran=$(cat "$PREFIX"/drive_c/windows/{system32,syswow64}/marker-ran.txt 2>/dev/null || true)
if [ -n "$ran" ]; then
    failures=$((failures + 1)); echo "FAIL the probe started: $(tr '\n' ' ' <<<"$ran")"
else
    passes=$((passes + 1)); echo "ok   the probe started no cmd.exe and no findstr.exe"
fi
wreg delete 'HKCU\Software\Wine\DllOverrides' /v cmd.exe
wreg delete 'HKCU\Software\Wine\DllOverrides' /v findstr.exe
for folder in system32 syswow64; do
    rm -f "$PREFIX/drive_c/windows/$folder/marker-ran.txt"
    for program in cmd findstr; do
        rm -f "$PREFIX/drive_c/windows/$folder/$program.exe"
        mv "$WORK/$folder-$program.exe" "$PREFIX/drive_c/windows/$folder/$program.exe" 2>/dev/null || true
    done
done

# --- Support page: dialog OK, then the question ---------------------------
# The dialog is told apart by its rich-edit control (1002), the question by
# its two buttons 100 and 200.
interactive() {  # interactive LABEL EXPECTED "PRESSES" ARGS...
    local label=$1 expected=$2 presses=$3
    shift 3
    ( exit_code "$EXE" /nochecknewversion "$@" > "$WORK/code" ) &
    local runner=$!
    for press in $presses; do
        "$RUN" "$BUILD" "$BUILD/e2e/press.exe" ${press//:/ } >/dev/null 2>&1 || echo "     ($label: nothing to press for $press)"
    done
    wait "$runner" || true
    local actual; actual=$(cat "$WORK/code")
    if [ "$actual" = "$expected" ]; then passes=$((passes + 1)); echo "ok   $label: $actual"
    else failures=$((failures + 1)); echo "FAIL $label: expected $expected, got '$actual'"; fi
}
reset_machine
machine KBX0001
interactive "support page declined, dialog closed" 6 "1:1002 200:100 2:1002"
[ -e "$WORK/opened.txt" ] && { failures=$((failures + 1)); echo "FAIL page opened although declined"; }
interactive "support page opened" 5 "1:1002 100:200"
for _ in $(seq 50); do [ -s "$WORK/opened.txt" ] && break; sleep 0.2; done
expect_text() {  # expect_text LABEL EXPECTED-BYTES FILE
    if [ "$(od -An -c "$3" 2>/dev/null)" = "$(printf '%b' "$2" | od -An -c)" ]; then
        passes=$((passes + 1)); echo "ok   $1"
    else
        failures=$((failures + 1)); echo "FAIL $1: expected"; printf '%b' "$2" | od -c | head; echo "     got"; od -c "$3" 2>&1 | head
    fi
}
expect_text "support address" \
    'https://support.korvane.example/battery/essential/?board=KBX0001&soft=VXN02E3&os=win1064\n' "$WORK/opened.txt"

# --- Log line, report, release file ---------------------------------------
LOG="$WORK/logs/run.log"
mkdir -p "$WORK/logs"
machine KBX0001
expect_code "logged run" 6 "$EXE" "${SILENT[@]}" /log "$(win "$LOG")"
expect_code "logged second instance" 1002 --hold-mutex 'KorvanePemberlin-{98FD7549-2EAA-485F-AFEB-179B5963E49A}' \
    "$EXE" "${SILENT[@]}" /log "$(win "$LOG")"
sed -E 's#^(\xEF\xBB\xBF)?[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}, #\1T, #' "$LOG" > "$WORK/log.masked"
expect_text "log lines" '\xEF\xBB\xBFT, 7, 6, KORVANE, KBX0001, KN-01, SN1, \r\nT, 152, 1002, , , , , \r\n' \
    "$WORK/log.masked"

printf 'x' > "$WORK/logs/read-only.log"
chmod 444 "$WORK/logs/read-only.log"
printf 'kept' > "$WORK/logs/linked.log"
ln "$WORK/logs/linked.log" "$WORK/logs/second-name.log"
expect_code "log to a read-only file" 6 "$EXE" "${SILENT[@]}" /log "$(win "$WORK/logs/read-only.log")"
expect_code "log to a missing folder" 6 "$EXE" "${SILENT[@]}" /log "$(win "$WORK/logs/none/run.log")"
expect_code "log to a hard-linked file" 6 "$EXE" "${SILENT[@]}" /log "$(win "$WORK/logs/linked.log")"
expect_text "read-only file unchanged" 'x' "$WORK/logs/read-only.log"
expect_text "hard-linked file unchanged" 'kept' "$WORK/logs/linked.log"
if [ -e "$WORK/logs/none" ]; then failures=$((failures + 1)); echo "FAIL missing folder was created"; fi

machine other
expect_code "report" 0 "$EXE" /showinfo "$(win "$WORK/info.txt")"
expect_text "report bytes" '\xEF\xBB\xBFMachine info:\r\n manufacturer: Korvane Inc.\r\n product: B&X\r\n model: Cafe\r\n serial: 7\r\nTarget def:\r\n action: 0\r\n version: \r\n url: \r\n tool file: \r\n tool parameters: \r\n hash: \r\n' \
    "$WORK/info.txt"
mkdir -p "$WORK/nolib"
cp "$EXE" "$WORK/nolib/"
# No message: the report waits for nobody.
expect_code "report without library" 0 "$WORK/nolib/Tarnwick-testhooks.exe" /showinfo "$(win "$WORK/nolib.txt")"
expect_text "report without library" '\xEF\xBB\xBFFailed to initialize\r\n' "$WORK/nolib.txt"
printf 'old contents' > "$WORK/start/release.dat"
expect_code "release file" 0 "$EXE" /makereleasedat
expect_text "release file bytes" '7' "$WORK/start/release.dat"

# --- Start-up program -----------------------------------------------------
mkdir -p "$PREFIX/drive_c/tarnwick-e2e"
cp "$BUILD/e2e/startup-standin.exe" "$PREFIX/drive_c/tarnwick-e2e/"
rm -f "$PREFIX/drive_c/tarnwick-e2e/record.txt"
RECORD='C:\tarnwick-e2e\record.txt'
register() { wreg add "$RUNKEY" /v VXN02B1_Apps /t REG_EXPAND_SZ /d "%SystemDrive%\\tarnwick-e2e\\startup-standin.exe $RECORD $*" /reg:32; }
machine other
rm -f "$WORK/logs/viewtarget.log"
register 0
expect_code "start-up program handles the check" 1018 "$EXE" /viewtarget /log "$(win "$WORK/logs/viewtarget.log")"
[ -e "$WORK/logs/viewtarget.log" ] && { failures=$((failures + 1)); echo "FAIL log line written after 1018"; }
expect_text "start-up program command line" \
    'C:\\tarnwick-e2e\\startup-standin.exe C:\\tarnwick-e2e\\record.txt 0 -batterycheckonly\r\n' \
    "$PREFIX/drive_c/tarnwick-e2e/record.txt"
register 1
expect_code "start-up program declines" 3 "$EXE" /viewtarget /nochecknewversion /force 0
register 0 3000
start=$(date +%s)
expect_code "start-up program after a pause" 1018 "$EXE" /viewtarget
if [ $(( $(date +%s) - start )) -lt 3 ]; then failures=$((failures + 1)); echo "FAIL did not wait for the start-up program"; fi

WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1 || true
finish
