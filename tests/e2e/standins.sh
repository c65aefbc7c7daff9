# Prefix set-up shared by the end-to-end tests, the demo and the benchmarks.
# Source after tests/e2e/lib.sh and after setting PREFIX (the prefix of
# TARNWICK_PREFIX_NAME).

# The driverquery and findstr stand-ins in both system folders, preferred to
# anything built in; they answer from TARNWICK_TEST_DRIVER_LIST.
install_driver_standins() {
    "$RUN" "$BUILD" cmd /c exit 0 >/dev/null 2>&1 || true  # creates the prefix
    local folder program
    for folder in system32 syswow64; do
        cp "$BUILD/e2e/driverquery-standin.exe" "$PREFIX/drive_c/windows/$folder/driverquery.exe"
        cp "$BUILD/e2e/findstr-standin.exe" "$PREFIX/drive_c/windows/$folder/findstr.exe"
    done
    for program in driverquery.exe findstr.exe; do
        "$RUN" "$BUILD" reg add 'HKCU\Software\Wine\DllOverrides' /v "$program" /d native /f >/dev/null 2>&1
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
