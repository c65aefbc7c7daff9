#!/usr/bin/env bash
# The signature check of battery.dll with real Authenticode signatures: a
# throwaway root is added to the prefix's machine root store, the built
# battery.dll is signed with a leaf of it, and Tarnwick-testhooks.exe runs
# beside each variant of the library.
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/trust"
SHOTS="$BUILD/e2e/screenshots"
rm -rf "$WORK"
mkdir -p "$WORK" "$SHOTS"

"$SRC/tests/e2e/make-signing-certs.sh" "$BUILD/e2e/certs"
"$RUN" "$BUILD" "$BUILD/e2e/addroot.exe" "$BUILD/e2e/certs/root.der" | tr -d '\r'

variant() {  # variant NAME: a folder with the test build of the program
    mkdir -p "$WORK/$1"
    cp "$BUILD/Tarnwick-testhooks.exe" "$WORK/$1/"
    echo "$WORK/$1/Tarnwick-testhooks.exe"
}

signed=$(variant signed)
osslsigncode sign -certs "$BUILD/e2e/certs/leaf.crt" -key "$BUILD/e2e/certs/leaf.key" \
    -n "Tarnwick companion library" -h sha256 -in "$BUILD/battery.dll" -out "$WORK/signed/battery.dll" >/dev/null
osslsigncode verify -CAfile "$BUILD/e2e/certs/root.crt" -in "$WORK/signed/battery.dll" >/dev/null

unsigned=$(variant unsigned)
cp "$BUILD/battery.dll" "$WORK/unsigned/battery.dll"

tampered=$(variant tampered)
cp "$WORK/signed/battery.dll" "$WORK/tampered/battery.dll"
# One byte in the middle of the signed image (inside what the digest covers).
python3 - "$WORK/tampered/battery.dll" "$(stat -c %s "$BUILD/battery.dll")" <<'PY'
import sys
path, image_size = sys.argv[1], int(sys.argv[2])
data = bytearray(open(path, 'rb').read())
data[image_size // 2] ^= 0x01
open(path, 'wb').write(data)
PY

directory=$(variant directory)
mkdir "$WORK/directory/battery.dll"

missing=$(variant missing)

expect_code "signed library loads" 3 "$signed" /silent /force 0
expect_code "unsigned library refused" 1003 "$unsigned" /silent /force 0
expect_code "tampered library refused" 1003 "$tampered" /silent /force 0
expect_code "unsigned loads without check" 3 "$unsigned" /silent /nochecksignature /force 0
expect_code "tampered loads without check" 3 "$tampered" /silent /nochecksignature /force 0
expect_code "signed loads without check" 3 "$signed" /silent /nochecksignature /force 0
expect_code "directory named battery.dll" 1003 "$directory" /silent /force 0
expect_code "directory, no check" 1003 "$directory" /silent /nochecksignature /force 0
expect_code "no library" 1003 "$missing" /silent /force 0
expect_code "no library, notification mode" 1003 "$missing" /viewtarget

# Interactive: the library-missing message appears; it is captured and then
# closed. The run still ends with 1003.
interactive_missing() {  # LABEL SHOT PROGRAM ARGS...
    local label=$1 shot=$2
    shift 2
    local out="$WORK/$label.code"
    ( exit_code "$@" > "$out" ) &
    local runner=$! window=""
    # The first window of a new prefix can take long (font caches).
    for _ in $(seq 600); do
        window=$(xdotool search --onlyvisible --name '.+' 2>/dev/null | tail -n 1 || true)
        [ -n "$window" ] && break
        sleep 0.2
    done
    if [ -z "$window" ]; then
        failures=$((failures + 1)); echo "FAIL $label: no window appeared"
    else
        sleep 1
        import -window root "$SHOTS/$shot" 2>/dev/null || true
        echo "     $label: window '$(xdotool getwindowname "$window" 2>/dev/null)' captured in $SHOTS/$shot"
        # Without a window manager Wine gets no keyboard focus, so the
        # message is closed with a click on its Close button (bottom right).
        local width height
        eval "$(xdotool getwindowgeometry --shell "$window")"
        width=$WIDTH
        height=$HEIGHT
        xdotool mousemove --window "$window" $((width - 42)) $((height - 37)) click 1 2>/dev/null || true
    fi
    for _ in $(seq 100); do kill -0 "$runner" 2>/dev/null || break; sleep 0.2; done
    if kill -0 "$runner" 2>/dev/null; then
        # Still open: close it the hard way so the suite goes on.
        xdotool search --onlyvisible --name '.+' 2>/dev/null | while read -r w; do
            eval "$(xdotool getwindowgeometry --shell "$w")"
            xdotool mousemove --window "$w" $((WIDTH - 42)) $((HEIGHT - 37)) click 1
        done
        sleep 2
    fi
    wait "$runner" || true
    local actual
    actual=$(cat "$out" 2>/dev/null || true)
    if [ "$actual" = 1003 ]; then
        passes=$((passes + 1)); echo "ok   $label: $actual"
    else
        failures=$((failures + 1)); echo "FAIL $label: expected 1003, got '$actual'"
    fi
}
interactive_missing "library-missing-en" library-missing-en.png "$unsigned"
interactive_missing "library-missing-ja" library-missing-ja.png "$unsigned" /language 1041

finish
