#!/usr/bin/env bash
# The 32-bit group's CTest command: runs its test program through
# `wine-run.sh --32bit`.
#
#   run-32bit-group.sh PROGRAM.exe [ARGS...]
#
# Where 32-bit code is emulated, the emulated Wine itself spoils runs: a plain
# program that only opens the file dialog crashed the emulator ("qemu:
# uncaught target signal 11") or showed no dialog in half of its runs. There a
# failed run is run again from a fresh prefix, at most twice more, and the
# group passes when one run passes; a fault of the program fails every attempt
# and so still fails the group. Every failed attempt is printed with the
# test's failure lines and the emulator's messages of that run, so that a
# spoilt run is never taken for a pass nor a fault for noise. A run whose
# test passed while the emulator ended one of its 32-bit processes counts as
# spoilt too: Wine reports such a process as ended with exit code 0. Natively
# nothing is run again.
#
# CTest shows a passing test's output only when asked (-V), so the summary of
# the attempts also goes to the file BILDKRANZ_32BIT_REPORT names, if any,
# which `make test` prints.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-arch.sh
. "$here/wine-arch.sh"

attempts=1
[ "$WINE32" = emulated ] && attempts=3
attempt_seconds=1200
report=${BILDKRANZ_32BIT_REPORT:-/dev/null}
: >"$report"
log=$(mktemp "${TMPDIR:-/tmp}/bildkranz-32bit.XXXXXX")
trap 'rm -f "$log"' EXIT

say() { printf '%s\n' "$@" | tee -a "$report"; }

# GoogleTest's failure lines: each "file:line: Failure" with what follows it
# up to the next line of its own ("[ ... ]"), and the failed test's name.
# Wine's console ends lines with CR LF.
failure_lines() {
    awk '{ sub(/\r$/, "") }
         /: Failure$/ { block = 1 }
         /^\[/ { block = 0 }
         block || /^\[  FAILED  \] .*\([0-9]+ ms\)$/ { print "    " $0 }' "$log" | head -n 60
}

# What the emulator and the emulated Wine say when they, not the program,
# break down. A process that the emulator ended by a signal looks to Wine like
# one that ended with exit code 0, so these lines are the only sign of it.
# Each line once, with how often it came.
emulator_lines() {
    tr -d '\r' <"$log" |
        grep -E '^qemu: |uncaught target signal|unexpected trap|Segmentation fault|core dumped' |
        awk '!seen[$0]++ { order[++n] = $0 }
             END { for (i = 1; i <= n; i++) printf "    %dx %s\n", seen[order[i]], order[i] }' |
        head -n 20
}

# Wine's own report of a trap it cannot handle ("Got unexpected trap") is an
# error message of its exception channel.
[ "$WINE32" != emulated ] || export WINEDEBUG=${WINEDEBUG:--all,err+seh}

for ((attempt = 1; attempt <= attempts; attempt++)); do
    started=$(date +%s)
    timeout --kill-after=60 "$attempt_seconds" "$here/wine-run.sh" --32bit "$@" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    took="$(($(date +%s) - started)) s"
    emulator=$(emulator_lines)
    verdict=FAILED
    case "$status" in
        0)
            if [ -z "$emulator" ]; then
                say "32-bit group: attempt $attempt of $attempts PASSED ($took)"
                exit 0
            fi
            verdict=SPOILT
            how="the test passed, but the emulator ended a 32-bit process, which Wine reports as exit code 0" ;;
        77) exit 77 ;; # wine-run.sh said why no 32-bit program runs here
        124) how="did not end within $attempt_seconds s and was stopped" ;;
        *) how="ended with exit status $status" ;;
    esac
    [ "$status" -le 128 ] || how="$how: the test program was ended by signal $((status - 128))"
    failures=$(failure_lines)
    say "32-bit group: attempt $attempt of $attempts $verdict ($took): $how" \
        "  what failed:" "${failures:-    (no failure line)}" \
        "  the emulator's messages in this run:" "${emulator:-    (none)}"
done
[ "$attempts" -eq 1 ] || say "32-bit group: FAILED in all $attempts attempts"
exit 1
