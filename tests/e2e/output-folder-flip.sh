#!/usr/bin/env bash
# The log and the report are created only inside the folder their path
# names, not even for a moment elsewhere, and never through a link as the
# file itself. The path's folder is swapped (atomically, over and over)
# between the real folder and a symbolic link to another one while runs
# write to it, and a program of another "user" holds on to any file that
# appears in the link's target, so a file created there could not be
# removed again: no file may ever appear there.
#   tests/e2e/output-folder-flip.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/output-folder-flip"
rm -rf "$WORK"
mkdir -p "$WORK/start" "$WORK/out" "$WORK/bad"
# Without battery.dll beside it every run ends at once (1003), writing its
# log line; /showinfo writes "Failed to initialize".
cp "$BUILD/Tarnwick.exe" "$WORK/start/"
EXE="$WORK/start/Tarnwick.exe"
cd "$WORK/start"

# The real folder, undisturbed: the line is written.
expect_code "log in the real folder" 1003 "$EXE" /silent /log "$(win "$WORK/out/run.log")"
check "the line is in the real folder" grep -q ', 1003, , , , , ' "$WORK/out/run.log"
rm -f "$WORK/out/run.log"

# A link as the file itself is not followed: neither to a file that exists
# there nor to one that does not.
printf 'keep' >"$WORK/bad/kept.log"
ln -s "$WORK/bad/kept.log" "$WORK/out/kept.log"
ln -s "$WORK/bad/new.log" "$WORK/out/new.log"
expect_code "log that is a link to a file" 1003 "$EXE" /silent /log "$(win "$WORK/out/kept.log")"
expect_code "report that is a link to no file" 0 "$EXE" /showinfo "$(win "$WORK/out/new.log")"
check "the file a link points to is untouched" test "$(cat "$WORK/bad/kept.log")" = keep
check "nothing is created where a link points" test ! -e "$WORK/bad/new.log"
rm -f "$WORK/bad/kept.log" "$WORK/out/kept.log" "$WORK/out/new.log"

# "out" and "swap" exchange names (renameat2 RENAME_EXCHANGE): "out" is the
# real folder one moment and a link to "bad" the next, never missing.
ln -s "$WORK/bad" "$WORK/swap"
"$RUN" "$BUILD" "$BUILD/e2e/grabber.exe" "$(win "$WORK/bad")" "$(win "$WORK/ready")" "$(win "$WORK/stop")" \
    >"$WORK/grabbed.txt" 2>&1 &
grabber=$!
for _ in $(seq 300); do
    [ -e "$WORK/ready" ] && break
    sleep 0.1
done
check "the grabber watches the link's target" test -e "$WORK/ready"
python3 - "$WORK/out" "$WORK/swap" "$WORK/stop" <<'PY' &
import ctypes, os, sys, time
libc = ctypes.CDLL(None, use_errno=True)
AT_FDCWD, RENAME_EXCHANGE = -100, 2
a, b, stop = (os.fsencode(arg) for arg in sys.argv[1:4])
flips = 0
while not os.path.exists(stop) or flips % 2:
    if libc.renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE) != 0:
        sys.exit("renameat2: errno %d" % ctypes.get_errno())
    flips += 1
    time.sleep(0.0005)
PY
flipper=$!

RUNS=${TARNWICK_FLIP_RUNS:-8}
codes=""
for i in $(seq "$RUNS"); do
    codes+="$(exit_code "$EXE" /silent /log "$(win "$WORK/out/run.log")") "
    codes+="$(exit_code "$EXE" /showinfo "$(win "$WORK/out/info-$i.txt")") "
done
touch "$WORK/stop"
wait "$flipper" || true
wait "$grabber" || true
check "every run ended as usual ($codes)" \
    test "$codes" = "$(for _ in $(seq "$RUNS"); do printf '1003 0 '; done)"
check "the real folder is back under its name" test -d "$WORK/out" -a ! -L "$WORK/out"
check "nothing was ever created in the link's target (grabbed: $(tr -d '\r' <"$WORK/grabbed.txt" | tr '\n' ' '))" \
    test -z "$(ls -A "$WORK/bad")"
echo "     written in the real folder: $(ls "$WORK/out" | tr '\n' ' ')"

WINEPREFIX="$BUILD/$TARNWICK_PREFIX_NAME" wineserver -k >/dev/null 2>&1 || true
finish
