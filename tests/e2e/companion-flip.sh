#!/usr/bin/env bash
# battery.dll through a program folder that is a link changing under the
# run: the link flips between a folder with a signed library (release 21)
# and one with an unsigned library (release 99) while the program runs from
# it, silent, many times. The library a run reads is the one whose signature
# it verified: every run ends with the signed library's release in its log
# line, or with 1003, never with release 99. A program that verifies the
# file it holds but loads the library by its path again logs 99 in about
# one run of four here.
#   tests/e2e/companion-flip.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/companion-flip"
RUNS=${COMPANION_FLIP_RUNS:-16}
rm -rf "$WORK"
mkdir -p "$WORK/good" "$WORK/bad" "$WORK/logs"

"$SRC/tests/e2e/make-signing-certs.sh" "$BUILD/e2e/certs"
"$RUN" "$BUILD" "$BUILD/e2e/addroot.exe" "$BUILD/e2e/certs/root.der" | tr -d '\r'

make_test_library "$WORK/good-unsigned.dll" 152=21
osslsigncode sign -certs "$BUILD/e2e/certs/leaf.crt" -key "$BUILD/e2e/certs/leaf.key" \
    -n "Tarnwick companion library" -h sha256 -in "$WORK/good-unsigned.dll" -out "$WORK/good/battery.dll" >/dev/null
make_test_library "$WORK/bad/battery.dll" 152=99
cp "$BUILD/Tarnwick-testhooks.exe" "$WORK/good/"
cp "$BUILD/Tarnwick-testhooks.exe" "$WORK/bad/"
ln -sfn good "$WORK/app"
EXE="$WORK/app/Tarnwick-testhooks.exe"
LOG="$WORK/logs/flip.log"
OPTS=(/silent /nochecknewversion /force 0 /log "$(win "$LOG")")

# Each folder on its own, unflipped: the signed library is read, the
# unsigned one refused.
expect_code "signed folder" 3 "$WORK/good/Tarnwick-testhooks.exe" "${OPTS[@]}"
expect_code "unsigned folder" 1003 "$WORK/bad/Tarnwick-testhooks.exe" "${OPTS[@]}"
check "log names the signed release" grep -q '^[^,]*, 21, 3, ' "$LOG"
rm -f "$LOG"

# The flipper swaps the link in one rename, every millisecond or so.
python3 - "$WORK" <<'PY' &
import os, sys, time
work = sys.argv[1]
link, spare = os.path.join(work, "app"), os.path.join(work, "app.next")
target = "bad"
while True:
    os.symlink(target, spare)
    os.replace(spare, link)
    target = "good" if target == "bad" else "bad"
    time.sleep(0.001)
PY
flipper=$!
stop_flipper() { kill "$flipper" 2>/dev/null || true; wait "$flipper" 2>/dev/null || true; }
at_exit stop_flipper

codes=""
for run in $(seq "$RUNS"); do
    codes="$codes $(exit_code "$EXE" "${OPTS[@]}")"
done
stop_flipper
echo "     exit codes of $RUNS flipped runs:$codes"

lines=$(tr -d '\r' <"$LOG" | sed 's/^\xEF\xBB\xBF//')
echo "$lines" | sed 's/^/     log: /'
check "every flipped run wrote its line" [ "$(echo "$lines" | grep -c .)" -eq "$RUNS" ]
check "no run read the unsigned library" bash -c '! grep -q "^[^,]*, 99, " <<<"$1"' _ "$lines"
check "each run used the signed library or ended with 1003" \
    bash -c '! grep -vqE "^[^,]*, 21, 3, |^[^,]*, [^,]*, 1003, " <<<"$1"' _ "$lines"
check "some flipped run read the signed library" grep -q '^[^,]*, 21, 3, ' <<<"$lines"
for code in $codes; do
    [ "$code" = 3 ] || [ "$code" = 1003 ] || { failures=$((failures + 1)); echo "FAIL exit code $code"; }
done

finish
