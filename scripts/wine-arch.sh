#!/usr/bin/env bash
# Prints the Windows architecture that the many quick tests run as here: i686
# where the kernel runs 32-bit programs itself, else x86_64 (the twin, under
# wine64). BILDKRANZ_TEST_ARCH=x86_64 or =i686 forces one of the two paths
# where it can run (see the README). Sourced, it also sets
#   WINE_ARCH      that architecture;
#   WINE_ARCH_WHY  a sentence saying why it was chosen;
#   WINE_LOADER, WINE_SERVER  loader and server for that architecture;
#   WINE32         how the shipped 32-bit program runs here: native, emulated
#                  (Wine's 32-bit loader starts, but only because a binfmt_misc
#                  entry hands it to an emulator) or none;
#   WINE32_REASON  a sentence saying why, for the reports of the scripts.
# Some kernels are built or booted without 32-bit support. There setup.sh
# registers qemu-user-static for i386 programs where it can; emulated code is
# far too slow for every test, so only the 32-bit group runs the product.

# A 93-byte i386 program that only exits with 0. One padding byte of its header
# is not zero: the kernel ignores it, but binfmt_misc entries for i386 ELF
# match it as zero, so no emulator picks this file up and it runs only where
# the kernel itself runs 32-bit code.
kernel_runs_i386() {
    local probe status=1
    probe=$(mktemp "${TMPDIR:-/tmp}/bildkranz-ia32.XXXXXX") || return 1
    printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x01' \
        '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
        '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
        '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
        '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' \
        '\x00\x10\x00\x00\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null && status=0
    rm -f "$probe"
    return $status
}

if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE32=none
    if [ ! -f /proc/sys/fs/binfmt_misc/status ]; then
        WINE32_REASON="the kernel runs no 32-bit programs and binfmt_misc is not mounted, so no emulator can run them either (as root, scripts/setup.sh mounts it and registers qemu-user-static)"
    else
        WINE32_REASON="the kernel runs no 32-bit programs and no enabled binfmt_misc entry hands them to an emulator (as root, scripts/setup.sh registers qemu-user-static)"
    fi
elif kernel_runs_i386; then
    WINE32=native
    WINE32_REASON="the kernel runs 32-bit programs itself"
else
    WINE32=emulated
    WINE32_REASON="the kernel runs no 32-bit programs; a binfmt_misc entry hands them to an emulator (qemu-user), at a fraction of native speed"
fi

case "${BILDKRANZ_TEST_ARCH:-}" in
    "")
        if [ "$WINE32" = native ]; then
            WINE_ARCH=i686
            WINE_ARCH_WHY="the kernel runs 32-bit programs, so every test program is the 32-bit build"
        else
            WINE_ARCH=x86_64
            WINE_ARCH_WHY="32-bit programs are not native here, so the quick tests run the x86_64 twin"
        fi ;;
    x86_64)
        WINE_ARCH=x86_64
        WINE_ARCH_WHY="forced by BILDKRANZ_TEST_ARCH=x86_64: the quick tests run the x86_64 twin" ;;
    i686)
        if [ "$WINE32" = none ]; then
            echo "wine-arch: BILDKRANZ_TEST_ARCH=i686, but no 32-bit program can run here: $WINE32_REASON." >&2
            exit 2
        fi
        WINE_ARCH=i686
        WINE_ARCH_WHY="forced by BILDKRANZ_TEST_ARCH=i686: every test program is the 32-bit build"
        if [ "$WINE32" = emulated ]; then
            WINE_ARCH_WHY="$WINE_ARCH_WHY, emulated: many times slower, and the quick tests' deadlines are made for native speed"
        fi ;;
    *)
        echo "wine-arch: BILDKRANZ_TEST_ARCH is i686, x86_64 or unset, not '$BILDKRANZ_TEST_ARCH'." >&2
        exit 2 ;;
esac

if [ "$WINE_ARCH" = i686 ]; then
    WINE_LOADER=/usr/lib/wine/wine
    WINE_SERVER=$(command -v wineserver)
    # The server is always the native one.
    [ "$WINE32" = native ] || WINE_SERVER=/usr/lib/wine/wineserver64
else
    # Named explicitly: with the binfmt entry on, the plain wrappers would pick
    # the emulated 32-bit loader and server.
    WINE_LOADER=/usr/lib/wine/wine64
    WINE_SERVER=/usr/lib/wine/wineserver64
fi
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    echo "$WINE_ARCH"
fi
