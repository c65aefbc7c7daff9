#!/usr/bin/env bash
# scripts/release.sh end to end: two releases of one tree, built in folders
# under different paths with another time zone and umask and without a
# compiler cache, are the same bytes; the second one, signed with a
# throwaway certificate (PKCS#12), verifies with osslsigncode and runs under
# Wine beside its signed battery.dll in a prefix that trusts the throwaway
# root; a dirty tree, a library with a check error and a release number that
# was already released are refused.
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

# expect LABEL OK|REFUSED "MESSAGE" -- COMMAND...: the command's outcome, and
# a line of its output.
expect() {
    local label=$1 outcome=$2 message=$3 log status=0
    shift 4
    log=$(mktemp "$WORK/log.XXXXXX")
    "$@" >"$log" 2>&1 || status=$?
    if { [ "$outcome" = OK ] && [ "$status" -eq 0 ]; } || { [ "$outcome" = REFUSED ] && [ "$status" -eq 1 ]; }; then
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
expect "release, unsigned" OK "SHA256SUMS" -- \
    env TZ=UTC sh -c 'umask 022; exec "$@"' - "$WORK/a/tree/scripts/release.sh" --out "$WORK/a/out" \
    --build-dir "$WORK/a/build" --companion "$WORK/companion"
expect "release elsewhere, signed, compared with release 6" OK "SHA256SUMS" -- \
    env TZ=JST-9 sh -c 'umask 077; exec "$@"' - "$WORK/other-place/b/scripts/release.sh" --out "$WORK/b-out" \
    --build-dir "$WORK/other-place/build-b" --companion "$WORK/companion" \
    --pfx "$WORK/leaf.p12" --pass-file "$WORK/password" --ca "$CERTS/root.crt" --previous "$WORK/previous"
echo "     two releases built in $((SECONDS - start)) s"

for file in Tarnwick.exe battery.dll; do
    expect "$file: the same bytes from both builds" OK "" -- \
        cmp "$WORK/a/out/$file" "$WORK/other-place/build-b/staging/unsigned/$file"
    expect "$file: signature verifies" OK "Signature verification: ok" -- \
        osslsigncode verify -CAfile "$CERTS/root.crt" -in "$WORK/b-out/$file"
done
expect "digests of the signed release" OK "battery.dll: OK" -- sh -c 'cd "$1" && sha256sum -c SHA256SUMS' - "$WORK/b-out"
expect "release notes compare with release 6" OK "since release 6" -- cat "$WORK/b-out/release-notes.txt"

# The signed release runs where its root is trusted.
"$RUN" "$BUILD" "$BUILD/e2e/addroot.exe" "$CERTS/root.der" | tr -d '\r'
mkdir -p "$WORK/run"
cp "$WORK/b-out/Tarnwick.exe" "$WORK/b-out/battery.dll" "$WORK/run/"
expect_code "signed release runs beside its signed library" 3 "$WORK/run/Tarnwick.exe" /silent /nochecknewversion /force 0

# What the release command checks in the built files: every version text
# against VERSION, and that the program is not its test build.
inspect() { python3 "$SRC/scripts/release-inspect.py" versions "$@"; }
expect "version texts that disagree" REFUSED "(expected 1.0.99.0)" -- \
    inspect 1.0.99 "$WORK/a/out/Tarnwick.exe" "$WORK/a/out/battery.dll"
expect "the test build of the program" REFUSED "the test build of the program" -- \
    inspect "$(grep -v '^#' "$SRC/VERSION")" "$BUILD/Tarnwick-testhooks.exe" "$WORK/a/out/battery.dll"

tree="$WORK/a/tree"
release_a() { "$tree/scripts/release.sh" --out "$WORK/refused" --build-dir "$WORK/a/build" --companion "$WORK/companion" "$@"; }
expect "release number already released" REFUSED "not above the previous release 7" -- release_a --previous "$WORK/a/out"
echo "// a change" >>"$tree/companion/battery.rc"
expect "dirty tree" REFUSED "changes that are not committed" -- release_a
git -C "$tree" checkout -q companion/battery.rc
perl -pi -e 's|^(\s*146) "(.*)/"|$1 "$2"|' "$tree/companion/strings/strings-en.rc"
commit "$tree" "A download address without its last slash"
expect "library with a check error" REFUSED "found errors in battery.dll" -- release_a
expect "nothing written when refused" REFUSED "" -- test -e "$WORK/refused"

finish
