#!/usr/bin/env bash
# Builds, checks, signs and describes a release of Tarnwick.exe and
# battery.dll from the commit checked out in this tree.
#
#   scripts/release.sh --out DIR
#       [--cert FILE --key FILE | --pfx FILE] [--pass-file FILE] [--ca FILE]
#       [--timestamp URL] [--previous DIR] [--fleet FILE]
#       [--build-dir DIR] [--companion FILE]
#
#   --out DIR          the release folder (new or empty): Tarnwick.exe,
#                      battery.dll, SHA256SUMS, check.txt, release-notes.txt
#   --cert/--key       code-signing certificate (PEM, with its chain) and key
#   --pfx              the same as one PKCS#12 file
#   --pass-file        a file holding the password of the key or PKCS#12 file
#   --ca               the root(s) a signature is verified against (PEM);
#                      default: the system's certificate bundle
#   --timestamp URL    an RFC 3161 time-stamp server (none without it)
#   --previous DIR     the previous release's folder: its battery.dll is
#                      compared with the new one, and its release number
#                      must be lower than the new one
#   --fleet FILE       the machine profiles for that comparison (default:
#                      tools/companion-tool/example-fleet.csv)
#   --build-dir DIR    where to build (default: build/release in this tree)
#   --companion FILE   a built tarnwick-companion to use instead of building
#                      one for this machine
#
# Refuses (exit status 1, nothing written) when the tree has changes that are
# not committed, when the release number is not above the previous
# release's, when `tarnwick-companion check` finds an error in battery.dll,
# when the version texts of the built files disagree with VERSION, or when a
# signature does not verify. The unsigned files are the same bytes for
# anyone who builds the same commit; signing only adds the signature.
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
# The signature's description: the program's name and web address.
SIGN_NAME="Tarnwick Battery Charge Control Updater"
SIGN_URL="https://support.korvane.example/tarnwick"

die() { echo "release: $*" >&2; exit 1; }
usage() { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2; }

out="" cert="" key="" pfx="" pass_file="" ca="" timestamp="" previous="" fleet="" build="" companion=""
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || usage
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
        *) usage ;;
    esac
    shift 2
done
[ -n "$out" ] || usage
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
build=${build:-$SRC/build/release}
mkdir -p "$build"
build=$(cd "$build" && pwd)
if [ -e "$out" ] && [ -n "$(ls -A "$out")" ]; then
    die "$out is not empty"
fi
[ -z "$previous" ] || [ -f "$previous/battery.dll" ] || die "no battery.dll in $previous"

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

# --- build -------------------------------------------------------------------
# A compiler cache is not used: every object of a release is compiled here.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
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

if [ -z "$companion" ]; then
    step "building tarnwick-companion ($build/host)"
    quiet cmake -S "$SRC" -B "$build/host" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release
    quiet cmake --build "$build/host" -j"$jobs" --target tarnwick-companion
    companion=$build/host/tools/companion-tool/tarnwick-companion
fi

stage="$build/staging"
rm -rf "$stage"
mkdir -p "$stage/unsigned"
step "checking battery.dll"
status=0
"$companion" check "$build/windows/battery.dll" >"$stage/check.txt" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    sed 's/^/  /' "$stage/check.txt" >&2
    die "tarnwick-companion check found errors in battery.dll (status $status); no release"
fi

step "building Tarnwick.exe"
quiet cmake --build "$build/windows" -j"$jobs" --target Tarnwick
cp "$build/windows/Tarnwick.exe" "$build/windows/battery.dll" "$stage/unsigned/"

step "checking the version texts against VERSION ($version)"
(cd "$stage/unsigned" && python3 "$SRC/scripts/release-inspect.py" versions "$version" \
    Tarnwick.exe battery.dll) >"$stage/versions.txt" || {
    cat "$stage/versions.txt" >&2
    die "the version texts of the built files disagree with VERSION"
}

# --- sign --------------------------------------------------------------------
mkdir "$stage/release"
signer="not signed"
if [ -n "$pfx$cert" ]; then
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
    for file in Tarnwick.exe battery.dll; do
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
    signer="signed by $(grep -m1 'Subject:' "$stage/verify-Tarnwick.exe.txt" | sed 's/^.*Subject: //')"
else
    cp "$stage/unsigned/Tarnwick.exe" "$stage/unsigned/battery.dll" "$stage/release/"
fi

# --- describe ----------------------------------------------------------------
# The report of the library as released (signed or not).
(cd "$stage/release" && "$companion" check battery.dll >check.txt 2>&1) || true
(cd "$stage/release" && sha256sum Tarnwick.exe battery.dll >SHA256SUMS)
notes="$stage/release/release-notes.txt"
{
    echo "Tarnwick $version (release number $release)"
    echo
    echo "Commit:     $commit ($commit_time)"
    echo "Signature:  $signer${timestamp:+, time-stamped by $timestamp}"
    echo "Files:      Tarnwick.exe, battery.dll (SHA-256 in SHA256SUMS)"
    echo "Check:      tarnwick-companion check battery.dll, report in check.txt"
    echo
    echo "Versions in the files:"
    cat "$stage/versions.txt"
    echo
    echo "SHA-256 of the unsigned files (what a rebuild of the commit gives):"
    (cd "$stage/unsigned" && sha256sum Tarnwick.exe battery.dll | sed 's/^/  /')
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
cp "$stage/release/"* "$out/"
echo "== release $version (commit ${commit:0:12}) written to $out:"
(cd "$out" && ls -l Tarnwick.exe battery.dll SHA256SUMS check.txt release-notes.txt | sed 's/^/  /')
echo "== SHA-256 ($signer):"
sed 's/^/  /' "$out/SHA256SUMS"
