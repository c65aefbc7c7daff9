#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing; does
# nothing when everything is there. Needs root (or sudo) only to install.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd cmake || need+=(cmake)
have_cmd g++ || need+=(g++)
have_cmd clang++ || need+=(clang)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
[ -d /usr/src/googletest ] || need+=(googletest)
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have_cmd python3 || need+=(python3)
have_cmd xvfb-run || need+=(xvfb)
have_cmd Xvfb || need+=(xvfb)
have_cmd xdotool || need+=(xdotool)
have_cmd xdpyinfo || need+=(x11-utils)
[ -f /usr/share/i18n/locales/ja_JP ] || need+=(locales)  # a Japanese locale for the progress window
have_cmd import || need+=(imagemagick)
have_cmd wrestool || need+=(icoutils)
have_cmd osslsigncode || need+=(osslsigncode)
have_cmd openssl || need+=(openssl)
have_cmd curl || need+=(curl)  # the download benchmark
have_cmd flock || need+=(util-linux)
have_cmd chromium || need+=(chromium)  # the browser test of tarnwick-companion's logs page
have_pkg fonts-wqy-zenhei || need+=(fonts-wqy-zenhei)
have_pkg fonts-dejavu-core || need+=(fonts-dejavu-core)
# Marlett: Wine draws the title bar's buttons with it (without it, letters).
have_pkg fonts-wine || need+=(fonts-wine)
have_cmd wine || need+=(wine)
have_pkg wine32:i386 || need+=(wine32:i386)
have_pkg wine64 || need+=(wine64)

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "setup: installing ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
