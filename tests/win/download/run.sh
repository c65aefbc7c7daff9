#!/usr/bin/env bash
# Runs a Windows-side test program of the update job against the loopback
# download server:  run.sh BUILD_DIR PROGRAM [ARGS...]
# The server serves BUILD_DIR/wintests/download/root (the test package as
# pkg.exe, an empty file, 1 MiB and 100 kB of data); the program finds it through
#   TARNWICK_TEST_SERVER     http://127.0.0.1:PORT/
#   TARNWICK_TEST_DEAD_URL   an address on which nothing listens
#   TARNWICK_TEST_ROOT       the served folder (Windows path)
#   TARNWICK_TEST_LOG        the server's request log (Windows path)
#   TARNWICK_TEST_WORK       a fresh folder for temporary files (Windows path)
set -euo pipefail
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../server/server.sh"
work="$build/wintests/download"
rm -rf "$work"
mkdir -p "$work/root" "$work/tmp"
cp "$build/wintests/testpackage.exe" "$work/root/pkg.exe"
: >"$work/root/empty.bin"
head -c 1048576 /dev/urandom >"$work/root/data.bin"
head -c 100000 /dev/urandom >"$work/root/small.bin"
: >"$work/requests.log"
start_server "$work/root" "$work/requests.log"

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export TARNWICK_TEST_SERVER="$SERVER_URL"
export TARNWICK_TEST_DEAD_URL="http://127.0.0.1:$(free_port)/"
TARNWICK_TEST_ROOT=$(windows_path "$work/root")
TARNWICK_TEST_LOG=$(windows_path "$work/requests.log")
TARNWICK_TEST_WORK=$(windows_path "$work/tmp")
export TARNWICK_TEST_ROOT TARNWICK_TEST_LOG TARNWICK_TEST_WORK
"$here/../../wine-run.sh" "$build" "$@"
