#!/usr/bin/env bash
# Prints the Windows architecture that Wine can run on this machine: i686
# where the kernel runs 32-bit programs (Wine's 32-bit loader starts), else
# x86_64. Some kernels are built or booted without 32-bit support; there the
# program is still built for i686, and run and tested as x86_64 under wine64.
# Sourced, it also sets WINE_LOADER and WINE_SERVER for that architecture.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE_ARCH=i686
    WINE_LOADER=/usr/lib/wine/wine
    WINE_SERVER=$(command -v wineserver)
else
    WINE_ARCH=x86_64
    WINE_LOADER=/usr/lib/wine/wine64
    WINE_SERVER=/usr/lib/wine/wineserver64
fi
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    echo "$WINE_ARCH"
fi
