#!/usr/bin/env bash
# What a run writes and starts lands only where its path says, in a Wine
# prefix of its own: a log, report or release file behind a linked parent
# folder is not written, a relative tool path that climbs out of the work
# folder starts nothing, a link inside the work folder is removed as a link,
# a start-up program is started only when its unquoted Run value names one
# file (a planted "VXN02B1.exe -startup" beside it makes the value name
# none), and a serial with a line break stays on its log line.
#   tests/e2e/written-and-started.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
source "$SRC/tests/server/server.sh"
source "$SRC/tests/e2e/standins.sh"
export TARNWICK_PREFIX_NAME=prefix-written
PREFIX="$BUILD/$TARNWICK_PREFIX_NAME"
WORK="$BUILD/e2e/written"
EXE_NAME=Tarnwick-testhooks.exe
rm -rf "$WORK"
mkdir -p "$WORK/root/slow" "$WORK/overlay/tables" "$WORK/smbios" "$WORK/start" "$WORK/signed" \
    "$WORK/elsewhere" "$WORK/logs"
cp "$BUILD/wintests/testpackage.exe" "$WORK/root/pkg.exe"
start_server "$WORK/root" "$WORK/requests.log"

# One product per case: product, url, tool file. All are charge-limit tool
# rows for the package stand-in (tests/win/download/testpackage.c).
hash=$(sha256sum "$WORK/root/pkg.exe" | cut -c1-64)
ROWS=("KBXW01|pkg.exe|..\\x.exe" "KBXW02|slow/pkg.exe|sub\\nothere.exe")
cp "$SRC/companion/tables/requirements.txt" "$SRC/companion/tables/os-support.txt" "$WORK/overlay/tables/"
: >"$WORK/overlay/tables/definitions.txt"
for row in "${ROWS[@]}"; do
    IFS='|' read -r product url tool <<<"$row"
    add_machine_rows "$WORK/overlay/tables" "$product" 3 "$url" "$tool" --tool "$hash"
    python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product "$product" --model "KN W" \
        --serial $'S1\r\n2026-01-01 00:00:00, 7, 0, forged' --bios-version 1.0 -o "$WORK/smbios/$product.bin"
done
cp "$WORK/root/pkg.exe" "$WORK/root/slow/pkg.exe"
cp "$BUILD/$EXE_NAME" "$WORK/start/"
cp "$BUILD/$EXE_NAME" "$WORK/signed/"
make_test_library "$WORK/start/battery.dll" --overlay "$WORK/overlay" 146="$SERVER_URL"
# The report branches check the signature; the release file's name is a
# path through the linked folder.
make_test_library "$WORK/unsigned.dll" --overlay "$WORK/overlay" 146="$SERVER_URL" \
    151="$(win "$WORK/linked/release.dat" | sed 's/\\/\\\\/g')"
sign_library "$WORK/unsigned.dll" "$WORK/signed/battery.dll"
EXE="$WORK/start/$EXE_NAME"
OPTS=(/silent /nochecksignature /nochecknewversion /disabledlparam)
on() { export TARNWICK_TEST_SMBIOS; TARNWICK_TEST_SMBIOS=$(win "$WORK/smbios/$1.bin"); }
TEMP_DIR=$("$RUN" "$BUILD" winepath -u "$("$RUN" "$BUILD" cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null |
    tr -d '\r')
TEMP_DIR=${TEMP_DIR%/}
work_folders() { find "$TEMP_DIR" -maxdepth 1 -name 'Pemberlin*' 2>/dev/null; }
work_folders | xargs -r rm -rf
cd "$WORK/start"

# --- Files behind a linked parent folder ----------------------------------
# Wine follows Unix symbolic links like junctions and reports the final path
# through them: $WORK/linked is $WORK/elsewhere under another name.
ln -s "$WORK/elsewhere" "$WORK/linked"
on KBXW01
expect_code "log through a linked folder: exit code unchanged" 1017 "$EXE" "${OPTS[@]}" /log "$(win "$WORK/linked/run.log")"
check "log through a linked folder: nothing written" test ! -e "$WORK/elsewhere/run.log"
expect_code "report through a linked folder" 0 "$EXE" /showinfo "$(win "$WORK/linked/info.txt")"
check "report through a linked folder: nothing written" test ! -e "$WORK/elsewhere/info.txt"
expect_code "release file through a linked folder" 0 "$WORK/signed/$EXE_NAME" /makereleasedat
check "release file through a linked folder: nothing written" test ! -e "$WORK/elsewhere/release.dat"

# --- A relative tool path that climbs out of the work folder ---------------
# "..\x.exe" from the work folder is the temporary folder, where anyone may
# put a file; the run above (KBXW01) never started the one planted there.
cp "$BUILD/e2e/marker.exe" "$TEMP_DIR/x.exe"
rm -f "$TEMP_DIR/marker-ran.txt"
expect_code "tool file ..\\x.exe with x.exe planted" 1017 "$EXE" "${OPTS[@]}" /log "$(win "$WORK/logs/run.log")"
check "the planted x.exe never ran" test ! -e "$TEMP_DIR/marker-ran.txt"
check "no work folder left" test -z "$(work_folders)"
rm -f "$TEMP_DIR/x.exe"

# --- One log line per run, whatever the serial holds ----------------------
lines=$(tr -cd '\n' <"$WORK/logs/run.log" | wc -c)
check "a serial with CR LF stays on its line ($lines line)" test "$lines" = 1
check "the serial's line break is written as blanks" grep -q ', S1  2026-01-01 00:00:00, 7, 0, forged, ' "$WORK/logs/run.log"

# --- Links inside the work folder are removed as links ---------------------
# The slow download leaves time to put a folder link and a file link into
# the work folder; the missing tool then ends the job and the clean-up
# removes the folder.
mkdir -p "$WORK/outside"
printf 'keep' >"$WORK/outside/keep.txt"
on KBXW02
( exit_code "$EXE" "${OPTS[@]}" >"$WORK/code" ) &
runner=$!
folder=""
for _ in $(seq 300); do
    folder=$(work_folders | head -n 1)
    [ -n "$folder" ] && break
    sleep 0.1
done
if [ -n "$folder" ]; then
    ln -s "$WORK/outside" "$folder/folder-link"
    ln -s "$WORK/outside/keep.txt" "$folder/file-link"
fi
wait "$runner" || true
check "links put into the work folder during the run" test -n "$folder"
check "clean-up run: missing tool (1017)" test "$(cat "$WORK/code")" = 1017
check "the folder a link pointed to is untouched" test "$(cat "$WORK/outside/keep.txt" 2>/dev/null)" = keep
# Windows removes a link opened as itself; Wine 8 follows a Unix symbolic
# link even then, so the clean-up leaves both links (and with them the
# folder) rather than reach through them (todo_wine: this reports when Wine
# removes them).
left=$(work_folders | head -n 1)
if [ -z "$left" ]; then
    passes=$((passes + 1)); echo "ok   the work folder is gone, links and all (todo_wine fixed: drop the other branch)"
else
    check "only the two links are left in the work folder (Wine)" \
        test "$(ls -A "$left" | sort | tr '\n' ' ')" = "file-link folder-link "
fi
work_folders | xargs -r rm -rf

# --- The start-up program: the one file its unquoted value names ----------
# Each leading part of an unquoted value that ends at a blank, or that part
# with .exe, is a program Windows might start: a value that names two files
# starts neither. The stand-in records its command line (and ends with 1).
RUNKEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
STARTUP="$PREFIX/drive_c/written"
mkdir -p "$STARTUP"
cp "$BUILD/e2e/startup-standin.exe" "$STARTUP/VXN02B1.exe"
cp "$BUILD/e2e/marker.exe" "$STARTUP/VXN02B1.exe -startup"
rm -f "$STARTUP/marker-ran.txt" "$STARTUP/record.txt"
run_value() { "$RUN" "$BUILD" reg add "$RUNKEY" /v VXN02B1_Apps /d "$1" /f /reg:32 >/dev/null 2>&1; }
run_value 'C:\written\VXN02B1.exe -startup'
export TARNWICK_TEST_STARTUP_RECORD='C:\written\record.txt'
on KBXW01
VIEW=(/viewtarget /nochecksignature /nochecknewversion /force 0)
expect_code "unquoted Run value with a planted 'VXN02B1.exe -startup'" 3 "$EXE" "${VIEW[@]}"
check "the planted 'VXN02B1.exe -startup' never ran" test ! -e "$STARTUP/marker-ran.txt"
check "nor the registered program: the value is ambiguous" test ! -e "$STARTUP/record.txt"
rm -f "$STARTUP/VXN02B1.exe -startup"
expect_code "the same value, nothing planted" 3 "$EXE" "${VIEW[@]}"
check "the registered program ran with the value's arguments" \
    grep -q 'VXN02B1.exe -startup -batterycheckonly' "$STARTUP/record.txt"
# Without an extension, the part is started with .exe as Windows would.
mkdir -p "$STARTUP/Maker"
cp "$BUILD/e2e/startup-standin.exe" "$STARTUP/Maker/app.exe"
rm -f "$STARTUP/record.txt"
run_value 'C:\written\Maker\app /tray'
expect_code "a value naming C:\\written\\Maker\\app" 3 "$EXE" "${VIEW[@]}"
check "app.exe ran" grep -q 'Maker\\app /tray -batterycheckonly' "$STARTUP/record.txt"

WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1 || true
finish
