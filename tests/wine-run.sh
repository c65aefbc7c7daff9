#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix.
#   tests/wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# The prefix (BUILD_DIR/wineprefix, or BUILD_DIR/$TARNWICK_PREFIX_NAME; 64-bit)
# is created on first use under a lock, so parallel tests share one prefix
# safely. Nothing outside the build folder is touched.
#
# A new prefix is a clone of BUILD_DIR/prefix-template, which is booted once
# (wineboot takes half a minute and most of a core; a clone takes a second).
# The clone shares the template's libraries (*.dll under drive_c, 1.2 GB) as
# hard links, made read-only so that writing one in place fails instead of
# changing every prefix; everything else (registry, programs, folders) is a
# copy of its own. Replace a system library by removing it first.
set -euo pipefail
build_dir=$(cd "$1" && pwd)
shift
export WINEPREFIX="$build_dir/${TARNWICK_PREFIX_NAME:-wineprefix}"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
template="$build_dir/prefix-template"

make_template() {
    rm -rf "$template"
    WINEPREFIX="$template" wineboot --init >/dev/null 2>&1 || true
    # Japanese text in dialogs: link the dialog fonts to a CJK font.
    for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI"; do
        WINEPREFIX="$template" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ /d 'wqy-zenhei.ttc,WenQuanYi Zen Hei' /f >/dev/null 2>&1 || true
    done
    WINEPREFIX="$template" wineserver --wait || true
    find "$template/drive_c" -type f -iname '*.dll' -exec chmod a-w {} +
    touch "$template/.tarnwick-ready"
}

clone_template() {
    rm -rf "$WINEPREFIX"
    python3 - "$template" "$WINEPREFIX" <<'PY'
import os, shutil, sys
def place(source, target):
    if source.lower().endswith(".dll") and "/drive_c/" in source:
        os.link(source, target)
    else:
        shutil.copy2(source, target, follow_symlinks=False)
shutil.copytree(sys.argv[1], sys.argv[2], symlinks=True, copy_function=place)
PY
    rm -f "$WINEPREFIX/.tarnwick-ready"
}

(
    flock 9
    if [ ! -f "$WINEPREFIX/.tarnwick-ready" ]; then
        (
            flock 8
            [ -f "$template/.tarnwick-ready" ] || make_template
        ) 8>"$template.lock"
        clone_template
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
