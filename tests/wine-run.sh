#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix.
#   tests/wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# The prefix (BUILD_DIR/wineprefix, or BUILD_DIR/$TARNWICK_PREFIX_NAME; 64-bit) is created on first use under a
# lock, so parallel tests share one prefix safely. Nothing outside the build
# folder is touched.
set -euo pipefail
build_dir=$(cd "$1" && pwd)
shift
export WINEPREFIX="$build_dir/${TARNWICK_PREFIX_NAME:-wineprefix}"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
(
    flock 9
    if [ ! -f "$WINEPREFIX/.tarnwick-ready" ]; then
        rm -rf "$WINEPREFIX"
        wineboot --init >/dev/null 2>&1 || true
        wineserver --wait || true
        touch "$WINEPREFIX/.tarnwick-ready"
    fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
