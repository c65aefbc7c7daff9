# Prefix set-up shared by the end-to-end tests, the demo and the benchmarks.
# Source after tests/e2e/lib.sh and after setting PREFIX (the prefix of
# TARNWICK_PREFIX_NAME).

# The driverquery stand-in in both system folders, preferred to anything
# built in; it lists what TARNWICK_TEST_DRIVER_LIST holds. With "findstr",
# the findstr stand-in too (for the benchmark's one-query-per-name floor;
# the program itself needs neither findstr nor cmd).
install_driver_standins() {
    "$RUN" "$BUILD" cmd /c exit 0 >/dev/null 2>&1 || true  # creates the prefix
    local folder program programs=(driverquery)
    [ "${1:-}" = findstr ] && programs+=(findstr)
    for folder in system32 syswow64; do
        for program in "${programs[@]}"; do
            cp "$BUILD/e2e/$program-standin.exe" "$PREFIX/drive_c/windows/$folder/$program.exe"
        done
    done
    for program in "${programs[@]}"; do
        "$RUN" "$BUILD" reg add 'HKCU\Software\Wine\DllOverrides' /v "$program.exe" /d native /f >/dev/null 2>&1
    done
}

# sign_library IN OUT: OUT is IN signed by the test root (made once in
# $CERTS, default build/windows/e2e/certs), which the prefix trusts.
sign_library() {
    local certs=${CERTS:-$BUILD/e2e/certs}
    "$SRC/tests/e2e/make-signing-certs.sh" "$certs"
    "$RUN" "$BUILD" "$BUILD/e2e/addroot.exe" "$certs/root.der" >/dev/null 2>&1
    osslsigncode sign -certs "$certs/leaf.crt" -key "$certs/leaf.key" \
        -n "Tarnwick companion library" -h sha256 -in "$1" -out "$2" >/dev/null
}
