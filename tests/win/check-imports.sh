#!/usr/bin/env bash
# The programs import only known DLLs and the side-by-side common controls:
# Windows looks for any other imported library in the program's own folder
# first. Libraries outside this set are loaded from the system folder at run
# time instead.
#   check-imports.sh OBJDUMP PROGRAM...
set -euo pipefail
objdump=$1
shift
allowed=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll "
status=0
for program in "$@"; do
    names=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
    [ -n "$names" ] || { echo "FAIL $program: no imports found"; status=1; continue; }
    for name in $names; do
        if [[ "$allowed" != *" $name "* ]]; then
            echo "FAIL $(basename "$program") imports $name, which Windows may load from the program's folder"
            status=1
        fi
    done
    echo "$(basename "$program"): $(echo $names)"
done
exit $status
