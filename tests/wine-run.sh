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
        # Japanese text in dialogs: link the dialog fonts to a CJK font.
        for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI"; do
            wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
                /v "$face" /t REG_MULTI_SZ /d 'wqy-zenhei.ttc,WenQuanYi Zen Hei' /f >/dev/null 2>&1 || true
        done
        wineserver --wait || true
        touch "$WINEPREFIX/.tarnwick-ready"
    fi
    # Marlett draws the title bar's buttons (without it they show as
    # letters). This Wine does not load the fonts of its own data folder
    # (fonts-wine), but does load the prefix's Fonts folder, as Windows does.
    marlett=/usr/share/wine/fonts/marlett.ttf
    if [ -f "$marlett" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
        mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
        cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
