#!/usr/bin/env bash
# Installs what is missing and builds. The product, build/Bildkranz.exe, is
# always the 32-bit program. Where Wine cannot run 32-bit programs on this
# machine (see wine-arch.sh), the program and its tests are also built for
# x86_64 so that they run under wine64. Prints the folder of the build that
# runs here.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh >&2
arch=$(scripts/wine-arch.sh)

configure_and_build() {
    local dir=build/$1
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$1.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DBILDKRANZ_TESTS="$2" >/dev/null
    cmake --build "$dir" -j "$(nproc)" ${3:+--target "$3"} >&2
}

# The tests are compiled for i686 even where they cannot run, so that the
# 32-bit build stays whole.
configure_and_build i686 ON
[ "$arch" = i686 ] || configure_and_build x86_64 ON
# The shipped file is the same code built once more, with the compilers that
# keep it smallest (cmake/mingw.cmake says why); the 32-bit group runs it.
configure_and_build i686-shipped OFF Bildkranz
cp build/i686-shipped/Bildkranz.exe build/Bildkranz.exe
echo "build/$arch"
