#!/usr/bin/env bash
# Installs what building, running and testing Bildkranz on Debian needs, and
# does nothing when everything is already there.
set -euo pipefail

missing=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd cmake || missing+=(cmake)
have_cmd make || missing+=(make)
have_cmd i686-w64-mingw32-g++-posix || missing+=(g++-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-g++-posix || missing+=(g++-mingw-w64-x86-64)
have_cmd wine || missing+=(wine)
have_pkg wine32:i386 || missing+=(wine32:i386)
# Runs the tests where the kernel has no 32-bit support (see wine-arch.sh).
have_pkg wine64 || missing+=(wine64)
# Wine's Tahoma (the window's font) and Marlett (the title bar's glyphs).
[ -f /usr/share/wine/fonts/tahoma.ttf ] || missing+=(fonts-wine)
have_cmd Xvfb || missing+=(xvfb)
have_cmd xauth || missing+=(xauth)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing and installing them needs root. Run:" >&2
    echo "  sudo dpkg --add-architecture i386 && sudo apt-get update &&" \
         "sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
