#!/usr/bin/env bash
# Benchmark of the update download: a silent update job (download, SHA-256
# verification, package, tool) of a 16 MiB and a 256 MiB package from the
# loopback server, against curl + sha256sum of the same file in the same
# run, and the platform's own costs measured alone (WinINet download into a
# file, CryptoAPI hash of the file). Prints wall times, the throughput ratio
# and the program's peak memory (VmHWM of the Wine process, read from
# /proc while it runs).
#   tools/bench-download.sh [BUILD_DIR]     (default: build/windows, built)
set -euo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$SRC/build/windows}" && pwd)
RUN="$SRC/tests/wine-run.sh"
BENCH="$BUILD/wintests/tooljob-bench.exe"
source "$SRC/tests/server/server.sh"
WORK="$BUILD/bench"
rm -rf "$WORK"
mkdir -p "$WORK/root" "$WORK/out"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Packages: the stand-in package padded to the size (the padding is data
# after the image, which the loader ignores); it unpacks the small original.
for mib in 16 256; do
    cp "$BUILD/wintests/testpackage.exe" "$WORK/root/pkg-$mib.exe"
    head -c $((mib * 1048576 - $(stat -c %s "$BUILD/wintests/testpackage.exe"))) /dev/urandom \
        >>"$WORK/root/pkg-$mib.exe"
done
start_server "$WORK/root" "$WORK/requests.log"
export TARNWICK_TEST_TOOL_SOURCE
TARNWICK_TEST_TOOL_SOURCE=$(windows_path "$BUILD/wintests/testpackage.exe")
TEMP_DIR=$("$RUN" "$BUILD" winepath -u "$("$RUN" "$BUILD" cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r')

# measure NAME COMMAND...: wall seconds and peak memory (KiB) of the Wine
# process of tooljob-bench.exe, into ELAPSED and PEAK.
measure() {
    local start end pid peak=0 hwm
    start=$(date +%s.%N)
    "$@" >"$WORK/out/last.txt" 2>&1 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        for p in $(pgrep -f 'tooljob-bench\.exe' || true); do
            hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$p/status" 2>/dev/null || echo 0)
            [ "${hwm:-0}" -gt "$peak" ] && peak=$hwm
        done
        sleep 0.02
    done
    wait "$pid" || { echo "failed: $*"; cat "$WORK/out/last.txt"; exit 1; }
    end=$(date +%s.%N)
    ELAPSED=$(echo "$end - $start" | bc -l)
    PEAK=$peak
}
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

"$RUN" "$BUILD" "$BENCH" hash "$(windows_path "$WORK/root/pkg-16.exe")" >/dev/null  # start Wine once
printf '%-8s %-28s %10s %12s\n' size run seconds "peak KiB"
declare -A PEAKS
for mib in 16 256; do
    file="$WORK/root/pkg-$mib.exe"
    digest=$(sha256sum "$file" | cut -c1-64)

    measure curl -s -o "$WORK/out/curl.bin" "${SERVER_URL}pkg-$mib.exe"
    curl_s=$ELAPSED
    measure sha256sum "$WORK/out/curl.bin"
    reference=$(echo "$curl_s + $ELAPSED" | bc -l)
    printf '%-8s %-28s %10.2f %12s\n' "${mib}MiB" "curl + sha256sum" "$reference" -

    find "$TEMP_DIR" -maxdepth 1 -name 'Pemberlin*' -exec rm -rf {} +
    measure "$RUN" "$BUILD" "$BENCH" job "$SERVER_URL" "pkg-$mib.exe" "$digest"
    job_s=$ELAPSED
    PEAKS[$mib]=$PEAK
    printf '%-8s %-28s %10.2f %12s\n' "${mib}MiB" "silent update job" "$job_s" "$PEAK"
    find "$TEMP_DIR" -maxdepth 1 -name 'Pemberlin*' -exec rm -rf {} +

    measure "$RUN" "$BUILD" "$BENCH" download "${SERVER_URL}pkg-$mib.exe" "$(windows_path "$WORK/out/wininet.bin")"
    download_s=$ELAPSED
    measure "$RUN" "$BUILD" "$BENCH" hash "$(windows_path "$WORK/out/wininet.bin")"
    hash_s=$ELAPSED
    printf '%-8s %-28s %10.2f %12s\n' "${mib}MiB" "WinINet download alone" "$download_s" -
    printf '%-8s %-28s %10.2f %12s\n' "${mib}MiB" "CryptoAPI hash alone" "$hash_s" -
    printf '%-8s throughput of the job / (curl + sha256sum): %s; platform alone: %s\n' "${mib}MiB" \
        "$(ratio "$reference" "$job_s")" "$(ratio "$reference" "$(echo "$download_s + $hash_s" | bc -l)")"
    rm -f "$WORK/out/curl.bin" "$WORK/out/wininet.bin"
done
echo "peak memory growth from 16 MiB to 256 MiB: $(( (PEAKS[256] - PEAKS[16]) / 1024 )) MiB"
