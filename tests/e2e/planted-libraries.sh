#!/usr/bin/env bash
# Libraries planted beside Tarnwick.exe under the names of system libraries
# (wintrust.dll, wininet.dll, Msftedit.dll), with Wine told to prefer such
# copies the way Windows does for libraries that are not known DLLs. The
# program must load none of them: an unsigned battery.dll is still refused,
# the dialog still gets the system's rich-edit control, and a signed library
# gives the same exit codes as without the planted copies.
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/planted"
rm -rf "$WORK"
mkdir -p "$WORK"

"$SRC/tests/e2e/make-signing-certs.sh" "$BUILD/e2e/certs"
"$RUN" "$BUILD" "$BUILD/e2e/addroot.exe" "$BUILD/e2e/certs/root.der" | tr -d '\r'

folder() {  # folder NAME LIBRARY [planted]: Tarnwick.exe beside a battery.dll
    mkdir -p "$WORK/$1"
    cp "$BUILD/Tarnwick.exe" "$2" "$WORK/$1/"
    [ "$(basename "$2")" = battery.dll ] || mv "$WORK/$1/$(basename "$2")" "$WORK/$1/battery.dll"
    if [ "${3:-}" = planted ]; then
        for name in wintrust.dll wininet.dll Msftedit.dll; do cp "$BUILD/e2e/planted.dll" "$WORK/$1/$name"; done
    fi
    echo "$WORK/$1"
}
osslsigncode sign -certs "$BUILD/e2e/certs/leaf.crt" -key "$BUILD/e2e/certs/leaf.key" \
    -n "Tarnwick companion library" -h sha256 -in "$BUILD/battery.dll" -out "$WORK/signed.dll" >/dev/null

unsigned=$(folder unsigned "$BUILD/battery.dll" planted)
signed=$(folder signed "$WORK/signed.dll" planted)
clean=$(folder clean "$WORK/signed.dll")

# Native copies first, as Windows searches the program's folder first.
export WINEDLLOVERRIDES="wintrust,wininet,msftedit=n,b;mscoree,mshtml="

no_planted_load() {  # LABEL FOLDER
    if [ -s "$2/planted-loads.txt" ]; then
        failures=$((failures + 1)); echo "FAIL $1: planted copies loaded: $(tr '\n' ' ' < "$2/planted-loads.txt")"
        rm -f "$2/planted-loads.txt"
    else
        passes=$((passes + 1)); echo "ok   $1: no planted copy loaded"
    fi
}

# Control: a program that imports wintrust.dll by name does get the copy, so
# the checks below can fail.
cp "$BUILD/e2e/importer.exe" "$unsigned/"
code=$(exit_code "$unsigned/importer.exe")
if grep -qix wintrust.dll "$unsigned/planted-loads.txt" 2>/dev/null && [ "$code" = 0 ]; then
    passes=$((passes + 1)); echo "ok   control: an importing program loads the planted wintrust.dll"
else
    failures=$((failures + 1)); echo "FAIL control: the planted wintrust.dll was not loaded (exit $code)"
fi
rm -f "$unsigned/planted-loads.txt" "$unsigned/importer.exe"

expect_code "unsigned library refused" 1003 "$unsigned/Tarnwick.exe" /silent /nochecknewversion /force 0
no_planted_load "unsigned library refused" "$unsigned"

# Interactive: the dialog loads the rich-edit library; it is closed again.
( exit_code "$unsigned/Tarnwick.exe" /nochecksignature /nochecknewversion /force 0 > "$WORK/dialog.code" ) &
runner=$!
closed=$("$RUN" "$BUILD" "$BUILD/e2e/closedialogs.exe" 120000 2>/dev/null | tr -d '\r')
wait "$runner" || true
if [ "$closed" != 0 ] && [ "$(cat "$WORK/dialog.code")" = 3 ]; then
    passes=$((passes + 1)); echo "ok   dialog shown and closed: 3"
else
    failures=$((failures + 1)); echo "FAIL dialog: closed '$closed', exit '$(cat "$WORK/dialog.code")'"
fi
no_planted_load "dialog" "$unsigned"

for args in "/silent /nochecknewversion /force 0" "/silent /nochecknewversion /force 6" "/silent /force 0"; do
    # shellcheck disable=SC2086
    expected=$(exit_code "$clean/Tarnwick.exe" $args)
    # shellcheck disable=SC2086
    expect_code "signed library, $args" "$expected" "$signed/Tarnwick.exe" $args
done
no_planted_load "signed library" "$signed"
[ "$(exit_code "$clean/Tarnwick.exe" /silent /nochecknewversion /force 0)" = 3 ] || {
    failures=$((failures + 1)); echo "FAIL signed library without planted copies does not load"; }

finish
