#!/usr/bin/env bash
# Shows the tool at work on a simulated Korvane notebook under Wine: builds
# what is missing, then runs Tarnwick-testhooks.exe in a Wine prefix of its
# own (build/windows/prefix-demo) with
#   - a demo battery.dll (the sample's tables, downloads from a loopback
#     server, rows carrying the demo package's SHA-256), signed by a
#     development root that only the demo prefix trusts;
#   - the notebook's SMBIOS table, the stand-in embedded-controller access
#     library, the essential software it needs (driverquery
#     stand-ins, service keys) and a browser recorder for the support page;
#   - a loopback server with the release file and a stand-in update package,
#     sent slowly enough for the progress window to be seen.
# Windows appear on $DISPLAY; without one, on a private Xvfb where the script
# presses OK (then Cancel when the dialog comes back) and keeps a screenshot
# of each step. Everything it starts is stopped when it ends, fails or is
# interrupted. It ends with the tool's exit code (255 for codes above 255).
#   scripts/run.sh [--machine NAME] [--silent] [--language ja] [--real]
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    cat <<'TEXT'
scripts/run.sh [--machine NAME] [--silent] [--language ja] [--real]
  --machine NAME   the simulated notebook:
                     firmware           power-management firmware 2.0.4, the library offers 2.0.5 (default)
                     up-to-date         firmware 2.0.5 already installed
                     bios-first         BIOS 1.8 and firmware 2.0.4: the BIOS half of the pair comes first
                     charge-limit       the charge-limit tool is not installed
                     not-a-target       a model the library does not update
                     essential-missing  the firmware notebook without its device driver
                     getting-ready      updates for this model are being prepared
  --silent         the deployment path: no window, the run decides by itself
  --language ja    Japanese texts
  --real           Tarnwick.exe itself, with no test seam, as it sees this machine
TEXT
}

machine=firmware silent=0 language="" real=0
while [ $# -gt 0 ]; do
    case $1 in
        --machine) machine=${2:-}; shift 2 || { usage >&2; exit 2; } ;;
        --silent) silent=1; shift ;;
        --language) [ "${2:-}" = ja ] || { usage >&2; exit 2; }; language=1041; shift 2 ;;
        --real) real=1; shift ;;
        -h|--help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done
# machine: SMBIOS product, BIOS version, firmware version word (0xPPMN:
# major M, minor N, patch PP as two decimal digits), essential software.
case $machine in
    firmware)          PRODUCT=KBX1001 BIOS=1.07 EC=0x0420 ESSENTIAL=1 ;;
    up-to-date)        PRODUCT=KBX1001 BIOS=1.07 EC=0x0520 ESSENTIAL=1 ;;
    bios-first)        PRODUCT=KBX2002 BIOS=1.8  EC=0x0420 ESSENTIAL=1 ;;
    charge-limit)      PRODUCT=KBX4004 BIOS=1.07 EC=0x0520 ESSENTIAL=1 ;;
    not-a-target)      PRODUCT=KBX8008 BIOS=1.07 EC=0x0520 ESSENTIAL=1 ;;
    essential-missing) PRODUCT=KBX1001 BIOS=1.07 EC=0x0420 ESSENTIAL=0 ;;
    getting-ready)     PRODUCT=KBX6006 BIOS=1.07 EC=0x0420 ESSENTIAL=1 ;;
    *) echo "unknown machine '$machine'" >&2; usage >&2; exit 2 ;;
esac

# Stops what the run started, however it ends; set before anything starts.
RUNNER="" PREFIX=""
cleanup() {
    trap - EXIT INT TERM
    set +e
    [ -n "$RUNNER" ] && kill "$RUNNER" 2>/dev/null
    [ -n "$PREFIX" ] && WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1
    [ -n "$RUNNER" ] && wait "$RUNNER" 2>/dev/null
    declare -F stop_server >/dev/null && stop_server
    declare -F stop_display >/dev/null && stop_display
}
watch_signals() { trap cleanup EXIT; trap 'exit 130' INT; trap 'exit 143' TERM; }
watch_signals

# --- Build what is missing ------------------------------------------------
scripts/setup.sh
[ -f build/host/CMakeCache.txt ] || cmake --preset host >/dev/null
cmake --build --preset host --target describe-exit-code >/dev/null
[ -f build/windows/CMakeCache.txt ] || cmake --preset windows >/dev/null
echo "building the program and the demo's parts (build/windows)..."
cmake --build --preset windows -j"$(nproc)" --target Tarnwick Tarnwick-testhooks battery_dll testaccesslib \
    testpackage exitcode addroot wincontrols driverquery-standin >/dev/null

export TARNWICK_PREFIX_NAME=prefix-demo
source tests/e2e/lib.sh build/windows
source tests/e2e/standins.sh
source tests/server/server.sh
source scripts/display.sh
PREFIX="$BUILD/$TARNWICK_PREFIX_NAME"
DEMO="$BUILD/demo"
SHOTS="$DEMO/screenshots"
CERTS="$BUILD/demo-certs"

# --- The demo prefix, once ------------------------------------------------
wreg() { "$RUN" "$BUILD" reg "$@" /f >/dev/null 2>&1 || true; }
ACCESS_DIR='C:\Program Files (x86)\Korvane\VXN02E3'
if [ ! -f "$PREFIX/.demo-ready" ]; then
    echo "preparing the demo Wine prefix ($PREFIX)..."
    install_driver_standins
    wreg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$DEMO/browser.sh"
    wreg add 'HKCU\Software\Wine' /v Version /d win10
    wreg add 'HKLM\Software\Korvane\VXN02E3' /v InstPath /d "$ACCESS_DIR" /reg:32
    wreg add 'HKLM\Software\Korvane\VXN02E3' /v DllName /d testaccesslib.dll /reg:32
    wreg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024
    touch "$PREFIX/.demo-ready"
fi
rm -rf "$DEMO"
mkdir -p "$DEMO/app" "$DEMO/real" "$DEMO/server" "$DEMO/overlay/tables" "$SHOTS" \
    "$PREFIX/drive_c/Program Files (x86)/Korvane/VXN02E3"
cp "$BUILD/wintests/testaccesslib.dll" "$PREFIX/drive_c/Program Files (x86)/Korvane/VXN02E3/"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s/opened.txt"\n' "$DEMO" > "$DEMO/browser.sh"
chmod +x "$DEMO/browser.sh"
find "$PREFIX/drive_c/users" -maxdepth 5 -name 'Pemberlin*' -path '*Temp*' -exec rm -rf {} + 2>/dev/null || true
wreg delete 'HKCU\SOFTWARE\Korvane\Holtspur'

# --- Server, package and the demo battery.dll -----------------------------
# The package is the stand-in padded to 200 kB: sent in pieces of 1000 bytes
# with short pauses, it takes a few seconds.
cp "$BUILD/wintests/testpackage.exe" "$DEMO/package.exe"
truncate -s 200000 "$DEMO/package.exe"
hash=$(sha256sum "$DEMO/package.exe" | cut -c1-64)
printf '%s\r\n' "$(sed -n 's/^ *152 "\(.*\)"/\1/p' "$SRC/companion/strings/strings-en.rc")" > "$DEMO/server/release.dat"
start_server "$DEMO/server" "$DEMO/requests.log"
watch_signals
# Each update row: the tool file is the stand-in tool the package unpacks,
# started with "--tool" before the row's own parameters.
awk -v hash="$hash" '
    { line[++n] = $0 }
    $0 == "" { if (line[2] != 0 && n == 8) { line[5] = "tool.exe"; line[6] = "--tool " line[6]; line[7] = hash }
               for (i = 1; i <= n; i++) print line[i]; n = 0 }
' "$SRC/companion/tables/definitions.txt" > "$DEMO/overlay/tables/definitions.txt"
awk -F'\t' '$0 != "" && NR % 8 == 4 { print $0 }' "$DEMO/overlay/tables/definitions.txt" | sort -u |
    while read -r path; do mkdir -p "$DEMO/server/$(dirname "$path")"; cp "$DEMO/package.exe" "$DEMO/server/$path"; done
# Only the firmware notebook needs essential software: the device driver and
# the access library.
printf 'KBX1001\t1\t1\t0\t0\t0\t0\n' > "$DEMO/overlay/tables/requirements.txt"
sed 's/^KBX6006\t.*/KBX6006\t6\t6\t6\t6\t6\t6\t6\t6/' "$SRC/companion/tables/os-support.txt" \
    > "$DEMO/overlay/tables/os-support.txt"
make_test_library "$DEMO/battery-unsigned.dll" --overlay "$DEMO/overlay" 146="${SERVER_URL}slow/"
sign_library "$DEMO/battery-unsigned.dll" "$DEMO/app/battery.dll"
sign_library "$BUILD/battery.dll" "$DEMO/real/battery.dll"
cp "$BUILD/Tarnwick-testhooks.exe" "$DEMO/app/"
cp "$BUILD/Tarnwick.exe" "$DEMO/real/"

# --- The notebook ---------------------------------------------------------
SERVICE='HKLM\SYSTEM\CurrentControlSet\Services\VXN02E3'
export TARNWICK_TEST_DRIVER_LIST TARNWICK_TEST_TOOL_MARKER TARNWICK_TEST_PACKAGE_MARKER
TARNWICK_TEST_DRIVER_LIST=$(win "$DEMO/drivers.txt")
TARNWICK_TEST_TOOL_MARKER=$(win "$DEMO/tool.txt")
TARNWICK_TEST_PACKAGE_MARKER=$(win "$DEMO/package.txt")
if [ "$ESSENTIAL" = 1 ]; then
    printf 'VXN02E3      VXN02E3 Device         Kernel        1/2/2024\r\n' > "$DEMO/drivers.txt"
    wreg add "$SERVICE" /v Start /t REG_DWORD /d 3 /reg:32
else
    : > "$DEMO/drivers.txt"
    wreg delete "$SERVICE" /reg:32
fi
# The charge-limit tool starts out missing; its stand-in installer installs
# the version its definition row offers, as a real installer would.
TOOL_KEY='HKLM\Software\Korvane\QxBatteryLimitter'
wreg delete "$TOOL_KEY" /reg:32
unset TARNWICK_TEST_TOOL_INSTALLS_VERSION
if [ "$machine" = charge-limit ]; then
    export TARNWICK_TEST_TOOL_INSTALLS_VERSION
    TARNWICK_TEST_TOOL_INSTALLS_VERSION=$(awk -v p="$PRODUCT" '$0 == p { getline; getline; print; exit }' \
        "$SRC/companion/tables/definitions.txt" | tr -d '\r')
fi
if [ "$real" = 1 ]; then
    EXE="$DEMO/real/Tarnwick.exe"
else
    EXE="$DEMO/app/Tarnwick-testhooks.exe"
    python3 "$SRC/tools/make-smbios.py" --manufacturer KORVANE --product "$PRODUCT" --model "KN-${PRODUCT:3}" \
        --serial DEMO-0001 --bios-version "$BIOS" -o "$DEMO/smbios.bin"
    export TARNWICK_TEST_SMBIOS TARNWICK_TEST_EC_VERSION=$EC TARNWICK_TEST_EC_INFO=0x10
    # The prefix user's own run: only that may trust the library files it owns.
    export TARNWICK_TEST_UNELEVATED=1
    TARNWICK_TEST_SMBIOS=$(win "$DEMO/smbios.bin")
fi
ARGS=(/log "$(win "$DEMO/run.log")")
[ "$silent" = 1 ] && ARGS+=(/silent)
[ -n "$language" ] && ARGS+=(/language "$language")

# --- The run --------------------------------------------------------------
scripted=0
if [ "$silent" = 0 ] && [ -z "${DISPLAY:-}" ]; then
    scripted=1
    start_display
    watch_signals
    # A Wine desktop draws the windows' frames, which the screenshots show.
    wreg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
else
    wreg delete 'HKCU\Software\Wine\Explorer' /v Desktop
fi
# The desktop setting holds from the prefix's next start.
WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1 || true
WINEPREFIX="$PREFIX" wineserver -w >/dev/null 2>&1 || true
what=$([ "$real" = 1 ] && echo "this machine as it is, with no test seam" || echo "the '$machine' notebook ($PRODUCT)")
echo "running $(basename "$EXE") ${ARGS[*]} on $what"
( exit_code "$EXE" "${ARGS[@]}" > "$DEMO/code" ) &
RUNNER=$!

# The scripted user: presses OK in the dialog once, then Cancel; answers a
# question with its first choice (open the support page) and a message with
# OK; watches the progress window. Every new window is a screenshot.
ctl() { "$RUN" "$BUILD" "$BUILD/e2e/wincontrols.exe" "$@" 2>/dev/null | tr -d '\r'; }
has() { awk -F'\t' -v id="$1" -v class="$2" '$1 == id && $2 ~ class && $3 == 1 && $4 == 1 { found = 1 } END { exit !found }'; }
drive() {
    local step=0 ok_pressed=0 controls kind x y w h
    while kill -0 "$RUNNER" 2>/dev/null; do
        ctl wait Korvane 1 >/dev/null || continue
        sleep 0.7
        controls=$(ctl list Korvane) || continue
        [ -n "$controls" ] || continue
        step=$((step + 1))
        if grep -q $'\tmsctls_progress32\t' <<<"$controls"; then kind=progress
        elif grep -q $'^1002\t' <<<"$controls"; then kind=dialog
        else kind=message; fi
        if read -r x y w h < <(ctl rect Korvane) && [ -n "${h:-}" ]; then
            import -window root -crop "${w}x${h}+${x}+${y}" +repage "$SHOTS/$(printf %02d "$step")-$kind.png" 2>/dev/null || true
        fi
        case $kind in
            progress) ;;
            dialog)
                if [ "$ok_pressed" = 0 ] && has 1 Button <<<"$controls"; then ok_pressed=1; ctl click Korvane 1
                elif has 2 Button <<<"$controls"; then ctl click Korvane 2
                else ctl close Korvane; fi >/dev/null ;;
            message)
                if has 100 Button <<<"$controls"; then ctl click Korvane 100
                elif has 1 Button <<<"$controls"; then ctl click Korvane 1
                else ctl close Korvane; fi >/dev/null ;;
        esac
        # Until the window changes (closed, or the next one is up).
        for _ in $(seq 120); do
            kill -0 "$RUNNER" 2>/dev/null || break
            [ "$(ctl list Korvane || true)" != "$controls" ] && break
            sleep 0.5
        done
    done
}
[ "$scripted" = 1 ] && drive
wait "$RUNNER" || true
RUNNER=""
code=$(cat "$DEMO/code" 2>/dev/null || true)
# The page opens through winebrowser, which may still be on its way.
if [ "$code" = 5 ]; then
    for _ in $(seq 50); do [ -s "$DEMO/opened.txt" ] && break; sleep 0.2; done
fi

# --- What happened ----------------------------------------------------------
echo
echo "exit code:    ${code:-none} (${code:+$("$SRC/build/host/tests/unit/describe-exit-code" "$code")})"
if [ -s "$DEMO/run.log" ]; then
    echo "log line:     $(tail -n 1 "$DEMO/run.log" | sed 's/^\xEF\xBB\xBF//' | tr -d '\r')"
fi
if [ -s "$DEMO/tool.txt" ]; then
    IFS='|' read -r command folder < <(tail -n 1 "$DEMO/tool.txt")
    echo "update tool:  started in $folder as $command"
fi
[ -s "$DEMO/opened.txt" ] && echo "support page: $(tail -n 1 "$DEMO/opened.txt") (recorded in $DEMO/opened.txt)"
if [ -n "${TARNWICK_TEST_TOOL_INSTALLS_VERSION:-}" ]; then
    installed=$("$RUN" "$BUILD" reg query "$TOOL_KEY" /v version /reg:32 2>/dev/null | tr -d '\r' |
        awk '$1 == "version" { print $3 }')
    echo "charge-limit tool: ${installed:-not installed}${installed:+ installed (the next run finds it current: $(
        exit_code "$EXE" /silent /nochecknewversion))}"
fi
if [ "$scripted" = 1 ]; then
    echo "screenshots:"
    find "$SHOTS" -name '*.png' | sort | sed 's/^/  /'
fi
case $code in
    ''|*[!0-9]*) exit 255 ;;
    *) [ "$code" -le 255 ] && exit "$code" || exit 255 ;;
esac
