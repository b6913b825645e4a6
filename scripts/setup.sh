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
# The shipped file's compilers (cmake/mingw.cmake).
have_cmd i686-w64-mingw32-g++-win32 || missing+=(g++-mingw-w64-i686-win32)
have_cmd wine || missing+=(wine)
have_pkg wine32:i386 || missing+=(wine32:i386)
# Runs the tests where the kernel has no 32-bit support (see wine-arch.sh).
have_pkg wine64 || missing+=(wine64)
# Wine's Tahoma (the window's font) and Marlett (the title bar's glyphs).
[ -f /usr/share/wine/fonts/tahoma.ttf ] || missing+=(fonts-wine)
have_cmd Xvfb || missing+=(xvfb)
have_cmd xauth || missing+=(xauth)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)

# The shipped program is 32-bit. Where the kernel runs no 32-bit code, an
# emulator registered with binfmt_misc lets Wine's 32-bit loader start, so that
# the tests can still run the program itself (see wine-arch.sh). That needs
# root; without it the 32-bit tests are reported as skipped.
binfmt=/proc/sys/fs/binfmt_misc

install_missing() {
    [ ${#missing[@]} -gt 0 ] || return 0
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
    missing=()
    echo "setup: done"
}

# Flag F opens the interpreter at once, so the entry works in every mount
# namespace; the mask leaves out the OS/ABI byte and accepts programs and
# position-independent ones.
register_i386_emulator() {
    if [ ! -f "$binfmt/status" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || {
            echo "setup: binfmt_misc cannot be mounted here; 32-bit programs cannot run" >&2
            return 0
        }
    fi
    if [ ! -e "$binfmt/qemu-i386" ]; then
        echo "setup: registering qemu-i386-static for 32-bit programs (binfmt_misc)"
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
            >"$binfmt/register" || return 0
    elif ! grep -qx enabled "$binfmt/qemu-i386"; then
        echo "setup: switching the binfmt_misc entry qemu-i386 on"
        echo 1 >"$binfmt/qemu-i386"
    fi
}

install_missing
if [ "$(id -u)" -eq 0 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    have_cmd qemu-i386-static || { missing+=(qemu-user-static); install_missing; }
    register_i386_emulator
fi
