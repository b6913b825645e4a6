#!/usr/bin/env bash
# Builds, then prints figures for the program as it runs here: the size of the
# program files, and, from bench.exe in a fresh Wine prefix, a full registration
# against a bare export by the registry editor, the start time and the peak
# memory. It prints figures only: a slow machine makes them larger, it never
# makes this fail.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
dir=$(scripts/build.sh)
# shellcheck source=scripts/wine-arch.sh
. scripts/wine-arch.sh
# The template prefix first, so that its creation is not timed.
scripts/wine-run.sh --init

# First, what the figures are of: the shipped program where it runs natively.
if [ "$WINE_ARCH" = i686 ] && [ "$WINE32" = native ]; then
    echo "Measured: build/Bildkranz.exe, the shipped 32-bit program, natively ($WINE_ARCH_WHY)."
else
    echo "Measured: $dir/Bildkranz.exe, the $WINE_ARCH build, not the shipped 32-bit program ($WINE_ARCH_WHY; 32-bit programs here: $WINE32)."
fi

size_line() {
    local bytes
    bytes=$(stat -c %s "$1")
    printf '  %-62s %s bytes (%s KiB)\n' "$2" "$bytes" "$(( (bytes + 512) / 1024 ))"
}
echo "Program files:"
size_line build/Bildkranz.exe "build/Bildkranz.exe (i686, the product)"
if [ "$dir" != build/i686 ]; then
    size_line "$dir/Bildkranz.exe" "$dir/Bildkranz.exe ($WINE_ARCH, the one that runs here)"
fi
echo "Runs as $WINE_ARCH under $("$WINE_LOADER" --version)."
echo
exec scripts/wine-run.sh "$dir/bench.exe"
