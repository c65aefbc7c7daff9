#!/usr/bin/env bash
# scripts/release.sh end to end: two releases of one tree, each built from an
# empty folder under different paths with another time zone and umask and
# without a compiler cache, are the same bytes; the second one, signed with a
# throwaway certificate (PKCS#12), verifies with osslsigncode as the README
# says, names the certificate's and its issuer's thumbprints, and runs under
# Wine beside its signed battery.dll in a prefix that trusts the throwaway
# root, with its tarnwick-companion.exe and Group Policy templates. Refused
# without writing anything: the sample library's warnings without
# --allow-warnings, a check error, a used build folder, a dirty tree, a
# release number already released, credentials that cannot sign code, and
# options it does not know.
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/release"
rm -rf "$WORK"
mkdir -p "$WORK"
export CCACHE_DISABLE=1

# The tree as it is (committed or not), committed alone in a new repository
# at DEST, so that the release command sees a clean checkout.
copy_tree() {
    mkdir -p "$1"
    (cd "$SRC" && git ls-files -z --cached --others --exclude-standard |
        xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' - |
        xargs -0 cp --parents -t "$1")
    commit "$1" "The tree under test"
}
commit() {
    git -C "$1" init -q 2>/dev/null
    git -C "$1" add -A
    git -C "$1" -c user.name=test -c user.email=test@example.invalid commit -qm "$2"
}

# expect LABEL OK|REFUSED|USAGE "MESSAGE" -- COMMAND...: the command's outcome
# (status 0, 1 or 2), and a line of its output.
expect() {
    local label=$1 outcome=$2 message=$3 log status=0
    shift 4
    log=$(mktemp "$WORK/log.XXXXXX")
    "$@" >"$log" 2>&1 || status=$?
    if { [ "$outcome" = OK ] && [ "$status" -eq 0 ]; } || { [ "$outcome" = REFUSED ] && [ "$status" -eq 1 ]; } ||
        { [ "$outcome" = USAGE ] && [ "$status" -eq 2 ]; }; then
        if [ -z "$message" ] || grep -qF -- "$message" "$log"; then
            passes=$((passes + 1))
            echo "ok   $label"
            return
        fi
    fi
    failures=$((failures + 1))
    echo "FAIL $label: expected $outcome with '$message', got status $status:"
    sed 's/^/     /' "$log"
}

# The Windows build's tarnwick-companion under Wine stands in for a host build.
cat >"$WORK/companion" <<EOF
#!/bin/sh
exec "$RUN" "$BUILD" "$BUILD/tools/companion-tool/tarnwick-companion.exe" "\$@"
EOF
chmod +x "$WORK/companion"

"$SRC/tests/e2e/make-signing-certs.sh" "$BUILD/e2e/certs"
CERTS="$BUILD/e2e/certs"
echo "throwaway password" >"$WORK/password"
openssl pkcs12 -export -in "$CERTS/leaf.crt" -inkey "$CERTS/leaf.key" -passout "file:$WORK/password" \
    -out "$WORK/leaf.p12"

# An earlier release to compare with: the sample library with release 6.
mkdir -p "$WORK/previous"
make_test_library "$WORK/previous/battery.dll" 152=6

copy_tree "$WORK/a/tree"
copy_tree "$WORK/other-place/b"
start=$SECONDS
# The sample library's loopback http:// address is a warning of check.
expect "release, unsigned, warnings allowed" OK "releasing battery.dll with 1 warning(s)" -- \
    env TZ=UTC RELEASE_JOBS=2 sh -c 'umask 022; exec "$@"' - "$WORK/a/tree/scripts/release.sh" --out "$WORK/a/out" \
    --build-dir "$WORK/a/build" --companion "$WORK/companion" --allow-warnings
expect "release elsewhere, signed, compared with release 6" OK "no --timestamp: the signatures are valid only until" -- \
    env TZ=JST-9 RELEASE_JOBS=2 sh -c 'umask 077; exec "$@"' - "$WORK/other-place/b/scripts/release.sh" \
    --out "$WORK/b-out" --build-dir "$WORK/other-place/build-b" --companion "$WORK/companion" --allow-warnings \
    --pfx "$WORK/leaf.p12" --pass-file "$WORK/password" --ca "$CERTS/root.crt" --previous "$WORK/previous"
echo "     two releases built in $((SECONDS - start)) s"

for file in Tarnwick.exe battery.dll tarnwick-companion.exe; do
    expect "$file: the same bytes from both builds" OK "" -- \
        cmp "$WORK/a/out/$file" "$WORK/other-place/build-b/staging/unsigned/$file"
    # The README's verification step, for a private CA.
    expect "$file: signature verifies" OK "Signature verification: ok" -- \
        osslsigncode verify -CAfile "$CERTS/root.crt" -in "$WORK/b-out/$file"
done
expect "digests of the signed release and its templates" OK "PolicyDefinitions/ja-JP/tarnwick.adml: OK" -- \
    sh -c 'cd "$1" && sha256sum -c SHA256SUMS' - "$WORK/b-out"
expect "templates are the tree's" OK "" -- cmp "$WORK/b-out/PolicyDefinitions/tarnwick.admx" "$SRC/policy/tarnwick.admx"
NOTES="$WORK/b-out/release-notes.txt"
expect "release notes compare with release 6" OK "since release 6" -- cat "$NOTES"
fingerprint() { openssl x509 -in "$2" -noout -fingerprint "-$1" | sed 's/.*=//; s/://g'; }
expect "release notes: the signer's SHA-1" OK "SHA-1:   $(fingerprint sha1 "$CERTS/leaf.crt")" -- cat "$NOTES"
expect "release notes: the signer's SHA-256" OK "SHA-256: $(fingerprint sha256 "$CERTS/leaf.crt")" -- cat "$NOTES"
expect "release notes: the issuer's SHA-256" OK "SHA-256: $(fingerprint sha256 "$CERTS/root.crt")" -- cat "$NOTES"
expect "release notes: no time stamp" OK "No time stamp: the signatures are valid only until" -- cat "$NOTES"
expect "release notes: the warnings allowed" OK "is not https://" -- cat "$NOTES"
expect "release notes: the compiler" OK "$(i686-w64-mingw32-g++-posix --version | head -1)" -- cat "$NOTES"

# The signed release runs where its root is trusted, and so does its tool.
"$RUN" "$BUILD" "$BUILD/e2e/addroot.exe" "$CERTS/root.der" | tr -d '\r'
mkdir -p "$WORK/run"
cp "$WORK/b-out/Tarnwick.exe" "$WORK/b-out/battery.dll" "$WORK/run/"
expect_code "signed release runs beside its signed library" 3 "$WORK/run/Tarnwick.exe" /silent /nochecknewversion /force 0
expect "released tarnwick-companion.exe checks the released library" OK "battery.dll: 0 error(s), 1 warning(s)" -- \
    "$RUN" "$BUILD" "$WORK/b-out/tarnwick-companion.exe" check "$(win "$WORK/b-out/battery.dll")"

# What the release command checks in the built files: every version text
# against VERSION, and that the program is not its test build.
inspect() { python3 "$SRC/scripts/release-inspect.py" versions "$@"; }
expect "version texts that disagree" REFUSED "(expected 1.0.99.0)" -- \
    inspect 1.0.99 "$WORK/a/out/Tarnwick.exe" "$WORK/a/out/battery.dll"
expect "the test build of the program" REFUSED "the test build of the program" -- \
    inspect "$(grep -v '^#' "$SRC/VERSION")" "$BUILD/Tarnwick-testhooks.exe" "$WORK/a/out/battery.dll"

# Refusals; each builds, when at all, in a new temporary folder.
tree="$WORK/a/tree"
release_a() { RELEASE_JOBS=2 "$tree/scripts/release.sh" --out "$WORK/refused" --companion "$WORK/companion" "$@"; }
expect "--help" OK "--allow-warnings" -- release_a --help
expect "an unknown option is named" USAGE "unknown option '--alow-warnings'" -- release_a --alow-warnings
expect "an option without its value" USAGE "--pass-file needs a value" -- release_a --pass-file
expect "a used build folder" REFUSED "is not empty; a release is built from scratch" -- \
    release_a --build-dir "$WORK/a/build" --allow-warnings
expect "release number already released" REFUSED "not above the previous release 7" -- release_a --previous "$WORK/a/out"
expect "wrong password" REFUSED "the password in $CERTS/root.crt is wrong" -- \
    release_a --pfx "$WORK/leaf.p12" --pass-file "$CERTS/root.crt"
expect "a certificate that is not the key's" REFUSED "belongs to the key" -- \
    release_a --cert "$CERTS/other.crt" --key "$CERTS/leaf.key"
# A server certificate of the same key: not for code.
openssl req -x509 -key "$CERTS/leaf.key" -subj "/CN=Tarnwick Test Server" -days 1 -out "$WORK/server.crt" \
    -addext extendedKeyUsage=serverAuth 2>/dev/null
expect "a certificate that may not sign code" REFUSED "may not sign code (extended key usage: TLS Web Server" -- \
    release_a --cert "$WORK/server.crt" --key "$CERTS/leaf.key"
expect "the sample's warnings" REFUSED "warning(s) in battery.dll (above); fix them, or give --allow-warnings" -- release_a
echo "// a change" >>"$tree/companion/battery.rc"
expect "dirty tree" REFUSED "changes that are not committed" -- release_a
git -C "$tree" checkout -q companion/battery.rc
perl -pi -e 's|^(\s*146) "(.*)/"|$1 "$2"|' "$tree/companion/strings/strings-en.rc"
commit "$tree" "A download address without its last slash"
expect "library with a check error" REFUSED "found errors in battery.dll" -- release_a --allow-warnings
expect "nothing written when refused" REFUSED "" -- test -e "$WORK/refused"

finish
