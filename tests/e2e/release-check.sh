#!/usr/bin/env bash
# The online release check of Tarnwick.exe against the loopback server: the
# test battery.dll (release 11) reads the release file from it.
#   tests/e2e/release-check.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
source "$SRC/tests/server/server.sh"
WORK="$BUILD/e2e/release-check"
SHOTS="$BUILD/e2e/screenshots"
rm -rf "$WORK"
mkdir -p "$WORK/root" "$WORK/online" "$WORK/offline" "$WORK/notfound" "$WORK/hanging" "$SHOTS"
start_server "$WORK/root" "$WORK/requests.log"

for variant in online offline notfound hanging; do
    cp "$BUILD/Tarnwick.exe" "$WORK/$variant/"
done
make_test_library "$WORK/online/battery.dll" 146="$SERVER_URL" 152=11
make_test_library "$WORK/offline/battery.dll" 146="http://127.0.0.1:$(free_port)/" 152=11
# The same release file, answered with status 404.
make_test_library "$WORK/notfound/battery.dll" 146="${SERVER_URL}status/404/" 152=11
# A server that takes the request and never answers.
make_test_library "$WORK/hanging/battery.dll" 146="${SERVER_URL}hang/" 152=11
EXE="$WORK/online/Tarnwick.exe"
OPTS=(/silent /nochecksignature)

# expect_answer LABEL EXPECTED ANSWER (printf format; "-" = no release file)
expect_answer() {
    rm -f "$WORK/root/release.dat"
    # shellcheck disable=SC2059
    [ "$3" = - ] || printf "$3" >"$WORK/root/release.dat"
    expect_code "$1" "$2" "$EXE" "${OPTS[@]}"
}

# A run that passes the check goes on: under Wine the machine is not a target (3).
expect_answer "newer release 12" 1004 '12\r\n'
expect_answer "same release 11" 3 '11\r\n'
expect_answer "hexadecimal 0x1F" 1004 '0x1F'
expect_answer "octal 013 (11)" 3 '013'
# Only a whole body of one 32-bit number counts; anything else is no answer.
expect_answer "sixty digits" 3 "$(printf '9%.0s' $(seq 60))"
expect_answer "error page" 3 -
expect_answer "12abc" 3 '12abc'
expect_answer "beyond 32 bits" 3 '99999999999'
printf '404 Not Found' >"$WORK/root/release.dat"
expect_code "status 404 with the body 404 Not Found" 3 "$WORK/notfound/Tarnwick.exe" "${OPTS[@]}"
printf '12' >"$WORK/root/release.dat"
expect_code "status 404 with the body 12" 3 "$WORK/notfound/Tarnwick.exe" "${OPTS[@]}"
grep -q "^/release.dat	Tarnwick/7 (Korvane battery charging update)	" "$WORK/requests.log" &&
    { passes=$((passes + 1)); echo "ok   agent and address of the release file"; } ||
    { failures=$((failures + 1)); echo "FAIL agent and address: $(cat "$WORK/requests.log")"; }
expect_code "no server" 3 "$WORK/offline/Tarnwick.exe" "${OPTS[@]}"
# The check gives up after 3 s; the run around it takes a few more under Wine.
start=$(date +%s)
expect_code "server that never answers" 3 "$WORK/hanging/Tarnwick.exe" "${OPTS[@]}"
elapsed=$(( $(date +%s) - start ))
if [ "$elapsed" -le 13 ]; then
    passes=$((passes + 1)); echo "ok   server that never answers: ended after ${elapsed}s"
else
    failures=$((failures + 1)); echo "FAIL server that never answers: ended after ${elapsed}s (limit 3 s)"
fi

: >"$WORK/requests.log"
printf '12\r\n' >"$WORK/root/release.dat"
expect_code "nochecknewversion" 3 "$EXE" "${OPTS[@]}" /nochecknewversion
if [ -s "$WORK/requests.log" ]; then
    failures=$((failures + 1))
    echo "FAIL nochecknewversion made a request: $(cat "$WORK/requests.log")"
else
    passes=$((passes + 1))
    echo "ok   nochecknewversion made no request"
fi

# Interactive: the newer-release message (strings 159 and 160) in a window.
expect_window "newer-release message" 1004 "$SHOTS/newer-release-en.png" "$EXE" /nochecksignature

finish
