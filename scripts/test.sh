#!/usr/bin/env bash
# make test: builds, then runs every test program under Wine through CTest: the
# quick tests first, then the 32-bit group, which runs the shipped program
# build/Bildkranz.exe itself. Says which architecture each test program runs
# as, and how long the 32-bit part took; the exit status is non-zero when
# anything failed. A 32-bit part that could not run is reported as skipped,
# never as passed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
started=$(date +%s)
dir=$(scripts/build.sh)
# shellcheck source=scripts/wine-arch.sh
. scripts/wine-arch.sh

seconds_since() { echo $(($(date +%s) - $1)); }
minutes() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }

# The machine field of a PE file's header.
pe_arch() {
    local header machine
    header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    machine=$(od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' ')
    case "$machine" in
        014c) echo i686 ;;
        8664) echo x86_64 ;;
        *) echo "unknown ($machine)" ;;
    esac
}

prefix_started=$(date +%s)
scripts/wine-run.sh --init
echo "test: Wine template ready after $(minutes "$(seconds_since "$prefix_started")")"

echo "test: 32-bit programs here: $WINE32, $WINE32_REASON."
echo "test: the quick tests run as $WINE_ARCH: $WINE_ARCH_WHY."
echo "test: the test programs and what they run as:"
for name in $(ctest --test-dir "$dir" -N | sed -n 's/^ *Test *#[0-9]*: //p'); do
    if [ "$name" = end_to_end_32bit ]; then
        printf '  %-22s end_to_end_test.exe (%s) driving build/Bildkranz.exe (%s) and build/i686/shell_verb.exe (%s)\n' \
            "$name" "$(pe_arch "$dir/end_to_end_test.exe")" "$(pe_arch build/Bildkranz.exe)" \
            "$(pe_arch build/i686/shell_verb.exe)"
    elif [ -f "$dir/$name.exe" ]; then
        printf '  %-22s %s\n' "$name" "$(pe_arch "$dir/$name.exe")"
    else
        printf '  %-22s %s\n' "$name" "a shell script on the build machine"
    fi
done

status=0
ctest --test-dir "$dir" --output-on-failure --timeout 600 -LE 32bit || status=1

part_started=$(date +%s)
rm -f "$dir/32bit-attempts.txt"
part_status=0
ctest --test-dir "$dir" --output-on-failure -L 32bit || part_status=1
part_seconds=$(seconds_since "$part_started")
echo
# Passed or not, every attempt of the 32-bit group is shown (see run-32bit-group.sh).
[ ! -s "$dir/32bit-attempts.txt" ] || cat "$dir/32bit-attempts.txt"
if [ "$WINE32" = none ]; then
    echo "test: the 32-bit part did NOT run (counted as skipped): $WINE32_REASON."
elif [ "$part_status" -eq 0 ]; then
    echo "test: 32-bit part (build/Bildkranz.exe, $WINE32): passed in $(minutes "$part_seconds")"
else
    echo "test: 32-bit part (build/Bildkranz.exe, $WINE32): FAILED after $(minutes "$part_seconds")"
    status=1
fi
echo "test: make test took $(minutes "$(seconds_since "$started")")"
exit $status
