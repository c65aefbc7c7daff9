#!/usr/bin/env bash
# The signature check of battery.dll with real Authenticode signatures: a
# throwaway root is added to the prefix's machine root store, the built
# battery.dll is signed with a leaf of it, and Tarnwick-testhooks.exe runs
# beside each variant of the library.
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/trust"
SHOTS="$BUILD/e2e/screenshots"
rm -rf "$WORK"
mkdir -p "$WORK" "$SHOTS"

"$SRC/tests/e2e/make-signing-certs.sh" "$BUILD/e2e/certs"
"$RUN" "$BUILD" "$BUILD/e2e/addroot.exe" "$BUILD/e2e/certs/root.der" | tr -d '\r'

variant() {  # variant NAME: a folder with the test build of the program
    mkdir -p "$WORK/$1"
    cp "$BUILD/Tarnwick-testhooks.exe" "$WORK/$1/"
    echo "$WORK/$1/Tarnwick-testhooks.exe"
}

signed=$(variant signed)
osslsigncode sign -certs "$BUILD/e2e/certs/leaf.crt" -key "$BUILD/e2e/certs/leaf.key" \
    -n "Tarnwick companion library" -h sha256 -in "$BUILD/battery.dll" -out "$WORK/signed/battery.dll" >/dev/null
osslsigncode verify -CAfile "$BUILD/e2e/certs/root.crt" -in "$WORK/signed/battery.dll" >/dev/null

unsigned=$(variant unsigned)
cp "$BUILD/battery.dll" "$WORK/unsigned/battery.dll"

tampered=$(variant tampered)
cp "$WORK/signed/battery.dll" "$WORK/tampered/battery.dll"
# One byte in the middle of the signed image (inside what the digest covers).
python3 - "$WORK/tampered/battery.dll" "$(stat -c %s "$BUILD/battery.dll")" <<'PY'
import sys
path, image_size = sys.argv[1], int(sys.argv[2])
data = bytearray(open(path, 'rb').read())
data[image_size // 2] ^= 0x01
open(path, 'wb').write(data)
PY

other=$(variant other)
osslsigncode sign -certs "$BUILD/e2e/certs/other.crt" -key "$BUILD/e2e/certs/other.key" \
    -n "Tarnwick companion library" -h sha256 -in "$BUILD/battery.dll" -out "$WORK/other/battery.dll" >/dev/null

directory=$(variant directory)
mkdir "$WORK/directory/battery.dll"

missing=$(variant missing)

expect_code "signed library loads" 3 "$signed" /silent /force 0
expect_code "unsigned library refused" 1003 "$unsigned" /silent /force 0
expect_code "tampered library refused" 1003 "$tampered" /silent /force 0
expect_code "unsigned loads without check" 3 "$unsigned" /silent /nochecksignature /force 0
expect_code "tampered loads without check" 3 "$tampered" /silent /nochecksignature /force 0
expect_code "signed loads without check" 3 "$signed" /silent /nochecksignature /force 0
expect_code "directory named battery.dll" 1003 "$directory" /silent /force 0
expect_code "directory, no check" 1003 "$directory" /silent /nochecksignature /force 0
expect_code "no library" 1003 "$missing" /silent /force 0
expect_code "no library, notification mode" 1003 "$missing" /viewtarget

# Publisher pinning: the machine policy names the publisher's certificate
# (SHA-1, lower case with blanks, as copied from a certificate dialog) or an
# issuer's (SHA-256); a library signed by anyone else ends with 1003. The
# values are written in the 64-bit view, as a 64-bit policy service writes them.
POLICY='HKLM\SOFTWARE\Policies\Korvane\Tarnwick'
policy() { "$RUN" "$BUILD" reg "$@" /f /reg:64 >/dev/null 2>&1 || true; }
thumbprint() {  # thumbprint ALGORITHM CERT
    openssl x509 -in "$2" -noout -fingerprint "-$1" | sed 's/.*=//; s/://g'
}
leaf_sha1=$(thumbprint sha1 "$BUILD/e2e/certs/leaf.crt" | tr 'A-F' 'a-f' | sed 's/../& /g')
root_sha256=$(thumbprint sha256 "$BUILD/e2e/certs/root.crt")
policy add "$POLICY" /v TrustedPublishers /t REG_MULTI_SZ /d "0000000000000000000000000000000000000000\\0$leaf_sha1"
expect_code "pinned publisher loads" 3 "$signed" /silent /force 0
expect_code "another publisher refused" 1003 "$other" /silent /force 0
expect_code "another publisher, no check" 3 "$other" /silent /nochecksignature /force 0
policy add "$POLICY" /v TrustedPublishers /t REG_MULTI_SZ /d "$root_sha256"
expect_code "pinned issuer: its publishers load" 3 "$other" /silent /force 0
policy add "$POLICY" /v TrustedPublishers /t REG_MULTI_SZ /d "not a thumbprint"
expect_code "unreadable pin refuses all" 1003 "$signed" /silent /force 0
policy delete "$POLICY" /v TrustedPublishers
# Revocation of a chain without any revocation source cannot be learnt, and
# the run reads that from the chain itself: 1003. On Windows the system's
# verdict fails too; Wine 8's WinVerifyTrust accepts the chain without
# checking revocation (as machine policy flags can make Windows do), and the
# chain it leaves has no revocation information, so only the run's own
# reading refuses the library here.
policy add "$POLICY" /v CheckRevocation /t REG_DWORD /d 1
expect_code "revocation unknown fails closed" 1003 "$signed" /silent /force 0
policy delete "$POLICY" /v CheckRevocation
expect_code "policy gone: signed loads again" 3 "$signed" /silent /force 0

# Interactive: the library-missing message appears; it is captured and then
# closed. The run still ends with 1003.
expect_window "library-missing-en" 1003 "$SHOTS/library-missing-en.png" "$unsigned"
expect_window "library-missing-ja" 1003 "$SHOTS/library-missing-ja.png" "$unsigned" /language 1041

finish
