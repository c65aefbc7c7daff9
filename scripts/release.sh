#!/usr/bin/env bash
# Builds, checks, signs and describes a release of Tarnwick.exe, battery.dll
# and tarnwick-companion.exe from the commit checked out in this tree.
#
#   scripts/release.sh --out DIR
#       [--cert FILE --key FILE | --pfx FILE] [--pass-file FILE] [--ca FILE]
#       [--timestamp URL] [--previous DIR] [--fleet FILE] [--allow-warnings]
#       [--build-dir DIR] [--companion FILE]
#   scripts/release.sh --help
#
#   --out DIR          the release folder (new or empty): Tarnwick.exe,
#                      battery.dll, tarnwick-companion.exe, PolicyDefinitions/,
#                      SHA256SUMS, check.txt, release-notes.txt
#   --cert/--key       code-signing certificate (PEM, with its chain) and key
#   --pfx              the same as one PKCS#12 file
#   --pass-file        a file holding the password of the key or PKCS#12 file
#   --ca               the root(s) a signature is verified against (PEM);
#                      default: the system's certificate bundle
#   --timestamp URL    an RFC 3161 time-stamp server; without it the
#                      signatures are valid only as long as the certificate
#   --previous DIR     the previous release's folder: its battery.dll is
#                      compared with the new one, and its release number
#                      must be lower than the new one
#   --fleet FILE       the machine profiles for that comparison (default:
#                      tools/companion-tool/example-fleet.csv)
#   --allow-warnings   release a battery.dll whose check reports warnings
#                      (the release notes list them)
#   --build-dir DIR    where to build: a new or empty folder, kept afterwards
#                      (default: a new temporary folder, removed afterwards)
#   --companion FILE   a built tarnwick-companion to check with instead of
#                      building one for this machine
#
# Refuses (exit status 1, nothing written) when the tree has changes that are
# not committed, when the key does not open or the certificate may not sign
# code, when the release number is not above the previous release's, when
# `tarnwick-companion check` finds an error in battery.dll (or a warning,
# without --allow-warnings), when the version texts of the built files
# disagree with VERSION, or when a signature does not verify; a bad option
# ends it with status 2. Every build starts from an empty folder with no
# compiler cache and no compiler flags from the environment, so the unsigned
# files are the same bytes for anyone who builds the same commit with the
# same tools; signing only adds the signature.
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
# The signature's description: the program's name and web address.
SIGN_NAME="Tarnwick Battery Charge Control Updater"
SIGN_URL="https://support.korvane.example/tarnwick"
RELEASED=(Tarnwick.exe battery.dll tarnwick-companion.exe)
TEMPLATES=(tarnwick.admx en-US/tarnwick.adml ja-JP/tarnwick.adml)

die() { echo "release: $*" >&2; exit 1; }
warn() { echo "release: warning: $*" >&2; }
help() { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; }
bad_option() { echo "release: $*" >&2; echo "release: see scripts/release.sh --help" >&2; exit 2; }

out="" cert="" key="" pfx="" pass_file="" ca="" timestamp="" previous="" fleet="" build="" companion=""
allow_warnings=""
while [ $# -gt 0 ]; do
    case $1 in
        --help | -h) help; exit 0 ;;
        --allow-warnings) allow_warnings=1; shift; continue ;;
        --out | --cert | --key | --pfx | --pass-file | --ca | --timestamp | --previous | --fleet | --build-dir | --companion)
            [ $# -ge 2 ] && [ -n "$2" ] || bad_option "$1 needs a value" ;;
        *) bad_option "unknown option '$1'" ;;
    esac
    case $1 in
        --out) out=$2 ;;
        --cert) cert=$2 ;;
        --key) key=$2 ;;
        --pfx) pfx=$2 ;;
        --pass-file) pass_file=$2 ;;
        --ca) ca=$2 ;;
        --timestamp) timestamp=$2 ;;
        --previous) previous=$2 ;;
        --fleet) fleet=$2 ;;
        --build-dir) build=$2 ;;
        --companion) companion=$2 ;;
    esac
    shift 2
done
[ -n "$out" ] || bad_option "--out DIR is needed"
if [ -n "$pfx" ]; then
    [ -z "$cert$key" ] || die "give --cert and --key or --pfx, not both"
elif [ -n "$cert$key" ]; then
    [ -n "$cert" ] && [ -n "$key" ] || die "--cert and --key go together"
fi
[ -z "$pass_file" ] || [ -n "$pfx$key" ] || die "--pass-file needs a key to open"
[ -z "$timestamp$ca" ] || [ -n "$pfx$cert" ] || die "--timestamp and --ca are for signing"
for file in "$cert" "$key" "$pfx" "$pass_file" "$ca" "$fleet" "$companion"; do
    [ -z "$file" ] || [ -r "$file" ] || die "cannot read $file"
done
# Paths are taken before anything changes folder.
abs() { [ -z "$1" ] || echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
cert=$(abs "$cert") key=$(abs "$key") pfx=$(abs "$pfx") pass_file=$(abs "$pass_file") ca=$(abs "$ca")
fleet=$(abs "${fleet:-$SRC/tools/companion-tool/example-fleet.csv}") companion=$(abs "$companion")
if [ -e "$out" ] && [ -n "$(ls -A "$out")" ]; then
    die "$out is not empty"
fi
# A build folder is never reused: what a cache of an earlier configuration
# holds (a compiler flag, another tool) would silently change the files.
if [ -n "$build" ] && [ -e "$build" ] && [ -n "$(ls -A "$build")" ]; then
    die "the build folder $build is not empty; a release is built from scratch"
fi
[ -z "$previous" ] || [ -f "$previous/battery.dll" ] || die "no battery.dll in $previous"

# Removed when the command ends, whatever its outcome: the key in the clear
# and, without --build-dir, the build.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-release.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# --- the source: one commit, nothing else ------------------------------------
git -C "$SRC" rev-parse --verify -q HEAD >/dev/null || die "$SRC is not a git checkout with a commit"
changes=$(git -C "$SRC" status --porcelain --untracked-files=normal)
if [ -n "$changes" ]; then
    echo "$changes" | sed 's/^/  /' >&2
    die "the tree has changes that are not committed; a release is made from a commit"
fi
commit=$(git -C "$SRC" rev-parse HEAD)
commit_time=$(git -C "$SRC" log -1 --format=%cI HEAD)
version=$(grep -v '^#' "$SRC/VERSION")
[[ $version =~ ^[0-9]+\.[0-9]+\.([0-9]+)$ ]] || die "VERSION holds '$version', not MAJOR.MINOR.RELEASE"
release=${BASH_REMATCH[1]}
if [ -n "$previous" ]; then
    previous_release=$(python3 "$SRC/scripts/release-inspect.py" release-number "$previous/battery.dll") ||
        die "cannot read the release number of $previous/battery.dll"
    [ "$release" -gt "$previous_release" ] ||
        die "release $release (VERSION $version) is not above the previous release $previous_release; raise the last number of VERSION"
fi

# --- the credentials, before anything is built -------------------------------
# The key opens with the password given, a certificate that was given with it
# belongs to it, and that certificate may sign code now.
signing=""
if [ -n "$pfx$cert" ]; then
    signing=1
    keys="$scratch/keys"
    (umask 077 && mkdir "$keys")
    passin=(-passin "pass:") wrong="the password is wrong (none was given: --pass-file)"
    [ -z "$pass_file" ] || passin=(-passin "file:$pass_file") wrong="the password in $pass_file is wrong"
    if [ -n "$pfx" ]; then
        # Older PKCS#12 files use ciphers that OpenSSL 3 keeps in its legacy provider.
        opened=""
        for legacy in "" -legacy; do
            if openssl pkcs12 $legacy -in "$pfx" "${passin[@]}" -nokeys -out "$keys/certs.pem" 2>/dev/null &&
                openssl pkcs12 $legacy -in "$pfx" "${passin[@]}" -nocerts -nodes -out "$keys/key.pem" 2>/dev/null; then
                opened=1
                break
            fi
        done
        [ -n "$opened" ] || die "$pfx does not open: $wrong, or it is no PKCS#12 file"
        credentials_text="$pfx"
    else
        openssl pkey -in "$key" "${passin[@]}" -out "$keys/key.pem" 2>/dev/null ||
            die "the key $key does not open: $wrong, or it is no PEM key"
        cp "$cert" "$keys/certs.pem"
        credentials_text="$cert"
    fi
    # One file per certificate: those given with the key, then --ca's.
    split_certs() {  # split_certs FILE PREFIX
        awk -v prefix="$2" '/-----BEGIN CERTIFICATE-----/ { n++; file = sprintf("%s%03d.pem", prefix, n) }
            file { print > file } /-----END CERTIFICATE-----/ { close(file); file = "" }' "$1"
    }
    split_certs "$keys/certs.pem" "$keys/given-"
    [ -z "$ca" ] || split_certs "$ca" "$keys/ca-"
    key_public=$(openssl pkey -in "$keys/key.pem" -pubout)
    signer_cert=""
    for file in "$keys"/given-*.pem; do
        [ -e "$file" ] || break
        if [ "$(openssl x509 -in "$file" -noout -pubkey 2>/dev/null)" = "$key_public" ]; then
            signer_cert=$file
            break
        fi
    done
    [ -n "$signer_cert" ] || die "no certificate in $credentials_text belongs to the key"
    name_of() { openssl x509 -in "$1" -noout "-$2" -nameopt RFC2253 | sed 's/^[a-z]*=//'; }
    signer_subject=$(name_of "$signer_cert" subject)
    signer_issuer=$(name_of "$signer_cert" issuer)
    signer_until=$(openssl x509 -in "$signer_cert" -noout -enddate | sed 's/^notAfter=//')
    openssl x509 -in "$signer_cert" -noout -checkend 0 >/dev/null ||
        die "the certificate of $signer_subject expired on $signer_until"
    usage=$(openssl x509 -in "$signer_cert" -noout -ext extendedKeyUsage 2>/dev/null | sed -n '2,$p' | xargs)
    [ -z "$usage" ] || [[ $usage == *"Code Signing"* ]] ||
        die "the certificate of $signer_subject may not sign code (extended key usage: $usage)"
    usage=$(openssl x509 -in "$signer_cert" -noout -ext keyUsage 2>/dev/null | sed -n '2,$p' | xargs)
    [ -z "$usage" ] || [[ $usage == *"Digital Signature"* ]] ||
        die "the certificate of $signer_subject may not sign (key usage: $usage)"
    # The issuer's certificate, when it came with the key or in --ca.
    issuer_cert=""
    for file in "$keys"/given-*.pem "$keys"/ca-*.pem; do
        [ -e "$file" ] && [ "$file" != "$signer_cert" ] || continue
        if [ "$(name_of "$file" subject)" = "$signer_issuer" ]; then
            issuer_cert=$file
            break
        fi
    done
    thumbprint() {  # thumbprint sha1|sha256 CERT: upper-case hex digits, as pinned
        openssl x509 -in "$2" -noout -fingerprint "-$1" | sed 's/^.*=//; s/://g'
    }
    if [ -z "$timestamp" ]; then
        warn "no --timestamp: the signatures are valid only until the certificate expires ($signer_until);" \
            "give an RFC 3161 server for signatures that outlive it"
    fi
fi

# --- build -------------------------------------------------------------------
if [ -n "$build" ]; then
    mkdir -p "$build"
    build=$(cd "$build" && pwd)
else
    build=$scratch/build
    mkdir "$build"
fi
# No compiler cache, and nothing from the environment that CMake or the
# compilers would take as flags or tools: every object is compiled here,
# from this commit's configuration alone.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS RCFLAGS MAKEFLAGS
while read -r variable; do unset "$variable"; done < <(compgen -e | grep -E '^(CMAKE_|CCACHE_)' || true)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
step() { echo "== $*"; }
quiet() {  # runs a build step, showing its output only when it fails
    local log
    log=$(mktemp)
    if ! "$@" >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        die "failed: $*"
    fi
    rm -f "$log"
}
jobs=${RELEASE_JOBS:-$(nproc)}

step "building battery.dll ($build/windows)"
quiet cmake -S "$SRC" -B "$build/windows" "${generator[@]}" \
    --toolchain "$SRC/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release
quiet cmake --build "$build/windows" -j"$jobs" --target battery_dll

companion_built=""
if [ -z "$companion" ]; then
    step "building tarnwick-companion ($build/host)"
    quiet cmake -S "$SRC" -B "$build/host" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release
    quiet cmake --build "$build/host" -j"$jobs" --target tarnwick-companion
    companion=$build/host/tools/companion-tool/tarnwick-companion
    companion_built=1
fi

stage="$build/staging"
mkdir -p "$stage/unsigned"
step "checking battery.dll"
status=0
"$companion" check "$build/windows/battery.dll" >"$stage/check.txt" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    sed 's/^/  /' "$stage/check.txt" >&2
    die "tarnwick-companion check found errors in battery.dll (status $status); no release"
fi
warnings=$(sed -n 's/^.*: [0-9]* error(s), \([0-9]*\) warning(s)\r\{0,1\}$/\1/p' "$stage/check.txt" | tail -1)
[ -n "$warnings" ] || { cat "$stage/check.txt" >&2; die "cannot read the summary of tarnwick-companion check"; }
if [ "$warnings" -gt 0 ]; then
    sed 's/^/  /' "$stage/check.txt" >&2
    [ -n "$allow_warnings" ] ||
        die "tarnwick-companion check reports $warnings warning(s) in battery.dll (above); fix them, or give --allow-warnings to release it anyway"
    warn "releasing battery.dll with $warnings warning(s) (--allow-warnings); the release notes list them"
fi

step "building Tarnwick.exe and tarnwick-companion.exe"
quiet cmake --build "$build/windows" -j"$jobs" --target Tarnwick tarnwick-companion
cp "$build/windows/Tarnwick.exe" "$build/windows/battery.dll" \
    "$build/windows/tools/companion-tool/tarnwick-companion.exe" "$stage/unsigned/"

step "checking the version texts against VERSION ($version)"
(cd "$stage/unsigned" && python3 "$SRC/scripts/release-inspect.py" versions "$version" \
    Tarnwick.exe battery.dll) >"$stage/versions.txt" || {
    cat "$stage/versions.txt" >&2
    die "the version texts of the built files disagree with VERSION"
}

# --- sign --------------------------------------------------------------------
mkdir "$stage/release"
signer="not signed"
if [ -n "$signing" ]; then
    credentials=()
    if [ -n "$pfx" ]; then
        credentials=(-pkcs12 "$pfx")
    else
        credentials=(-certs "$cert" -key "$key")
    fi
    [ -z "$pass_file" ] || credentials+=(-readpass "$pass_file")
    stamp=()
    [ -z "$timestamp" ] || stamp=(-ts "$timestamp")
    trust=()
    [ -z "$ca" ] || trust=(-CAfile "$ca")
    [ -z "$ca" ] || [ -z "$timestamp" ] || trust+=(-TSA-CAfile "$ca")
    for file in "${RELEASED[@]}"; do
        step "signing $file"
        quiet osslsigncode sign "${credentials[@]}" -h sha256 -n "$SIGN_NAME" -i "$SIGN_URL" \
            "${stamp[@]}" -in "$stage/unsigned/$file" -out "$stage/release/$file"
        osslsigncode verify "${trust[@]}" -in "$stage/release/$file" >"$stage/verify-$file.txt" 2>&1 || {
            cat "$stage/verify-$file.txt" >&2
            die "the signature of $file does not verify"
        }
        # Signing adds the signature and nothing else: without it the file
        # is the unsigned build again.
        osslsigncode remove-signature -in "$stage/release/$file" -out "$stage/stripped-$file" >/dev/null
        cmp -s "$stage/stripped-$file" "$stage/unsigned/$file" ||
            die "$file without its signature differs from the unsigned build"
    done
    signer="signed by $signer_subject"
else
    for file in "${RELEASED[@]}"; do cp "$stage/unsigned/$file" "$stage/release/"; done
fi
for template in "${TEMPLATES[@]}"; do
    mkdir -p "$(dirname "$stage/release/PolicyDefinitions/$template")"
    cp "$SRC/policy/$template" "$stage/release/PolicyDefinitions/$template"
done

# --- describe ----------------------------------------------------------------
# The report of the library as released (signed or not).
(cd "$stage/release" && "$companion" check battery.dll >check.txt 2>&1) || true
(cd "$stage/release" && sha256sum "${RELEASED[@]}" "${TEMPLATES[@]/#/PolicyDefinitions/}" >SHA256SUMS)
first_line() { "$@" 2>&1 | head -1 || true; }
describe_certificate() {  # describe_certificate CERT
    echo "    SHA-1:   $(thumbprint sha1 "$1")"
    echo "    SHA-256: $(thumbprint sha256 "$1")"
}
notes="$stage/release/release-notes.txt"
{
    echo "Tarnwick $version (release number $release)"
    echo
    echo "Commit:     $commit ($commit_time)"
    echo "Signature:  $signer${timestamp:+, time-stamped by $timestamp}"
    echo "Files:      ${RELEASED[*]} (SHA-256 in SHA256SUMS)"
    echo "Templates:  PolicyDefinitions/ (tarnwick.admx, en-US and ja-JP tarnwick.adml)"
    echo "Check:      tarnwick-companion check battery.dll, report in check.txt"
    echo
    if [ -n "$signing" ]; then
        echo "Signing certificate (the thumbprints TrustedPublishers takes):"
        echo "  $signer_subject, valid until $signer_until"
        describe_certificate "$signer_cert"
        echo "Its issuer:"
        echo "  $signer_issuer"
        if [ -n "$issuer_cert" ]; then
            describe_certificate "$issuer_cert"
        else
            echo "    (its certificate came neither with the key nor in --ca: no thumbprints)"
        fi
        if [ -z "$timestamp" ]; then
            echo "No time stamp: the signatures are valid only until the certificate expires ($signer_until)."
        fi
        echo
    fi
    if [ "$warnings" -gt 0 ]; then
        echo "battery.dll is released with $warnings warning(s) of tarnwick-companion check (--allow-warnings):"
        grep '^warning: ' "$stage/check.txt" | sed 's/^/  /'
        echo
    fi
    echo "Versions in the files:"
    cat "$stage/versions.txt"
    echo
    echo "Built from an empty folder, without a compiler cache or compiler flags from the environment, by:"
    echo "  $(first_line cmake --version)"
    echo "  $(first_line i686-w64-mingw32-g++-posix --version)"
    echo "  $(first_line i686-w64-mingw32-ld --version)"
    echo "  $(first_line i686-w64-mingw32-windres --version)"
    [ -z "${generator[*]}" ] || echo "  ninja $(first_line ninja --version)"
    echo "  $(first_line python3 --version)"
    [ -z "$signing" ] || echo "  $(first_line osslsigncode --version | sed 's/, using:$//') with $(first_line openssl version)"
    if [ -n "$companion_built" ]; then
        echo "  check run by tarnwick-companion built with $(first_line c++ --version)"
    else
        echo "  check run by the tarnwick-companion given ($companion)"
    fi
    echo
    echo "SHA-256 of the unsigned files (what a rebuild of the commit with these tools gives):"
    (cd "$stage/unsigned" && sha256sum "${RELEASED[@]}" | sed 's/^/  /')
    echo
    if [ -n "$previous" ]; then
        echo "Changes to battery.dll since release $previous_release,"
        echo "with the machine profiles of $(basename "$fleet"):"
        echo
        status=0
        "$companion" diff "$previous/battery.dll" "$stage/unsigned/battery.dll" "$fleet" >"$stage/diff.txt" 2>&1 ||
            status=$?
        [ "$status" -le 1 ] || { cat "$stage/diff.txt" >&2; die "tarnwick-companion diff failed (status $status)"; }
        cat "$stage/diff.txt"
    else
        echo "No previous release given: no comparison of battery.dll."
    fi
} >"$notes"

mkdir -p "$out"
cp -R "$stage/release/." "$out/"
echo "== release $version (commit ${commit:0:12}) written to $out:"
(cd "$out" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs ls -l | sed 's/^/  /')
echo "== SHA-256 ($signer):"
sed 's/^/  /' "$out/SHA256SUMS"
if [ -n "$signing" ]; then
    echo "== thumbprints of the signing certificate (for TrustedPublishers):"
    echo "  SHA-1 $(thumbprint sha1 "$signer_cert"), SHA-256 $(thumbprint sha256 "$signer_cert")"
fi
