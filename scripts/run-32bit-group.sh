#!/usr/bin/env bash
# The 32-bit group's CTest command: runs its test program through
# `wine-run.sh --32bit`.
#
#   run-32bit-group.sh PROGRAM.exe [ARGS...]
#
# Where 32-bit code is emulated, the emulator itself spoils runs. qemu-user
# keeps one descriptor table for all threads of an emulated process, while
# each thread's TLS and Wine's TEB are entries in it; once a second thread has
# started, a signal taken by the first can leave it with the other thread's
# entries. In the program this shows in its second file dialog, after the
# first dialog's drag-and-drop support has started Wine's RPC thread: traced,
# the dialog's drive-label query to Wine's mount manager never returned, or
# returned running as the RPC thread and then waited for itself, and the
# dialog was made but never shown. That happened in 10 of 21 emulated runs,
# never in the first dialog and never natively.
#
# There a failed run is run again from a fresh prefix, at most twice more, and
# the group passes when one run passes; a fault of the program fails every
# attempt and so still fails the group. A run spoilt by the emulator does not
# count against the two: a test that passed while the emulator ended one of
# its 32-bit processes (Wine reports such a process as ended with exit code 0),
# or a file dialog made but never shown as the run's only failure. Eight runs
# in all at most. Every run that did not pass is printed with the test's
# failure lines and the emulator's messages of that run, so that a spoilt run
# is never taken for a pass nor a fault for noise. Natively nothing is run
# again.
#
# CTest shows a passing test's output only when asked (-V), so the summary of
# the attempts also goes to the file BILDKRANZ_32BIT_REPORT names, if any,
# which `make test` prints.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-arch.sh
. "$here/wine-arch.sh"

failures_allowed=1
runs_allowed=1
if [ "$WINE32" = emulated ]; then
    failures_allowed=3
    runs_allowed=8
fi
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

# The run's only failed test stopped first at a file dialog that was made
# but never shown: the emulator's fault described above, and nothing else.
hidden_dialog_alone() {
    [ "$(grep -cE '^    \[  FAILED  \] .*\([0-9]+ ms\)$' <<<"$failures")" -eq 1 ] &&
        awk '/: Failure$/ { n++ } n == 1' <<<"$failures" |
        grep -q 'file dialog of row [0-9]* was made but never shown'
}

# Wine's own report of a trap it cannot handle ("Got unexpected trap") is an
# error message of its exception channel.
[ "$WINE32" != emulated ] || export WINEDEBUG=${WINEDEBUG:--all,err+seh}

failed=0
for ((run = 1; run <= runs_allowed && failed < failures_allowed; run++)); do
    started=$(date +%s)
    timeout --kill-after=60 "$attempt_seconds" "$here/wine-run.sh" --32bit "$@" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    took="$(($(date +%s) - started)) s"
    emulator=$(emulator_lines)
    failures=$(failure_lines)
    verdict=FAILED
    case "$status" in
        0)
            if [ -z "$emulator" ]; then
                say "32-bit group: run $run PASSED ($took)"
                exit 0
            fi
            verdict=SPOILT
            how="the test passed, but the emulator ended a 32-bit process, which Wine reports as exit code 0" ;;
        77) exit 77 ;; # wine-run.sh said why no 32-bit program runs here
        124) how="did not end within $attempt_seconds s and was stopped" ;;
        *) how="ended with exit status $status" ;;
    esac
    [ "$status" -le 128 ] || how="$how: the test program was ended by signal $((status - 128))"
    if [ "$verdict" = FAILED ] && [ "$WINE32" = emulated ] && hidden_dialog_alone; then
        verdict=SPOILT
        how="$how: a file dialog was made but never shown, the emulator's fault described in $(basename "$0")"
    fi
    [ "$verdict" = SPOILT ] || failed=$((failed + 1))
    say "32-bit group: run $run $verdict ($took): $how" \
        "  what failed:" "${failures:-    (no failure line)}" \
        "  the emulator's messages in this run:" "${emulator:-    (none)}"
done
[ "$runs_allowed" -eq 1 ] || say "32-bit group: FAILED in $((run - 1)) runs, $failed of them failed"
exit 1
