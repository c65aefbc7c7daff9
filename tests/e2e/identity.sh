#!/usr/bin/env bash
# Machine identity of the test build (Tarnwick-testhooks.exe) under Wine:
# SMBIOS tables written by tools/make-smbios.py are handed to the program
# through TARNWICK_TEST_SMBIOS, and every run must end with the exit code the
# identity calls for, never with a crash.
#   tests/e2e/identity.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
EXE="$BUILD/Tarnwick-testhooks.exe"
TABLES="$BUILD/e2e/smbios"
mkdir -p "$TABLES"
OPTS=(/silent /nochecksignature /nochecknewversion)

# make_table NAME make-smbios.py-options...
make_table() {
    local name=$1
    shift
    python3 "$SRC/tools/make-smbios.py" "$@" -o "$TABLES/$name"
}

# expect_identity LABEL EXPECTED TABLE_FILE [PROGRAM_ARGS...]
expect_identity() {
    local label=$1 expected=$2 table=$3
    shift 3
    export TARNWICK_TEST_SMBIOS
    TARNWICK_TEST_SMBIOS=$(win "$table")
    expect_code "$label" "$expected" "$EXE" "${OPTS[@]}" "$@"
    unset TARNWICK_TEST_SMBIOS
}

make_table maker.bin --manufacturer KORVANE --product "KBX 1001" --model "KN 1001/A?" --serial "SN 12%3" \
    --bios-version 1.07
make_table maker-sv.bin --manufacturer KORVANE-SV --product KBX8008 --model KN-8008 --serial R77 --bios-version 1.0
make_table other-maker.bin --manufacturer "Korvane Inc." --product KBX7007 --model KN-7007 --serial R1 \
    --bios-version 1.0
make_table accented.bin --manufacturer "Café Système" --product "Modèle 5" --model "Nº 7/é" --serial "é%?/" \
    --bios-version 1.0
make_table no-strings.bin --manufacturer=
printf '\0\2\7\0\0\0\0\0' >"$TABLES/header-only.bin"
: >"$TABLES/empty.bin"

# Another maker's machine is never a target.
expect_identity "other maker" 3 "$TABLES/other-maker.bin"
# The maker's machines: KBX1001's requirement row needs the VXN02E3 driver
# and the system extension, which this prefix lacks, so the run ends as
# essential software missing before any selection; KBX8008 has no row.
expect_identity "maker, KBX1001" 6 "$TABLES/maker.bin"
expect_identity "maker (-SV), KBX8008 code 0" 3 "$TABLES/maker-sv.bin"
# Texts the identity rules and the code page conversion must survive.
expect_identity "8-bit texts" 3 "$TABLES/accented.bin"
# Tables that identify nothing: four empty or blank fields.
expect_identity "no strings" 3 "$TABLES/no-strings.bin"
expect_identity "header only" 3 "$TABLES/header-only.bin"
expect_identity "empty file" 3 "$TABLES/empty.bin"
expect_identity "missing file" 3 "$TABLES/does-not-exist.bin"
# A forced action does not depend on the identity.
expect_identity "forced getting ready, other maker" 4 "$TABLES/other-maker.bin" /force 6

finish
