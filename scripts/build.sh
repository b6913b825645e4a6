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
    local target_arch=$1 with_tests=$2
    local dir=build/$target_arch
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$target_arch.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DBILDKRANZ_TESTS="$with_tests" >&2
    fi
    cmake --build "$dir" -j "$(nproc)" >&2
}

if [ "$arch" = i686 ]; then
    configure_and_build i686 ON
else
    configure_and_build i686 OFF
    configure_and_build x86_64 ON
fi
cp build/i686/Bildkranz.exe build/Bildkranz.exe
echo "build/$arch"
