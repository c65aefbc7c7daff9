#!/bin/sh
# Checks a built battery.dll: resource-only image, every catalogue string in
# English (1033) and Japanese (1041) with the inserts its use needs, the
# eight rich-text messages, the four tables (read the way Tarnwick reads them
# and compared with expected-rows.json) and icon 100.
#
# Usage: check-dll.sh DLL [EXPECTED_JSON]
# Needs python3, i686-w64-mingw32-objdump (binutils-mingw-w64-i686) and
# wrestool (icoutils). OBJDUMP and WRESTOOL override the tool names.
set -eu
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 DLL [EXPECTED_JSON]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
exec python3 "$here/check_dll.py" "$@"
