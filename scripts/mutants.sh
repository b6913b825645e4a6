#!/usr/bin/env bash
# Small faults a person could make in the program, each applied in turn to a
# copy of the tree, rebuilt, and the tests named for it run. A fault the tests
# let through is a gap in them. Prints each fault and whether it was caught,
# and "caught N of M" alone on its last line. Not part of make test: it builds
# a copy of the tree and runs for half an hour or more (README). The faults
# are listed in mutants.txt; mutants.py checks and applies them.
#
#   scripts/mutants.sh [--at REVISION] [NAME...]
#   scripts/mutants.sh --check [NAME...]
#
# REVISION (default HEAD) is the committed tree the faults are applied to;
# NAMEs pick faults by the start of their names. An entry that no longer fits
# the tree (file gone, text before not there exactly once, a filter matching
# no test) is refused before anything runs. --check only checks the entries,
# against the working tree as it is and its build. The exit status is
# non-zero when an entry was refused, a fault was not caught or a test failed
# without any fault.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
revision=HEAD
check=""
case "${1:-}" in
    --at) revision=$2; shift 2 ;;
    --check) check=1; shift ;;
esac
scripts/setup.sh >&2
arch=$(scripts/wine-arch.sh)
# The copy's tests run in prefixes copied from this tree's template.
scripts/wine-run.sh --init
export BILDKRANZ_WINE_TEMPLATE=$root/build/wine-template

if [ -n "$check" ]; then
    if ! scripts/build.sh >/dev/null 2>build/mutants-build.log; then
        cat build/mutants-build.log >&2
        exit 1
    fi
    exec python3 scripts/mutants.py --check "$root" "$arch" "$@"
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/bildkranz-mutants.XXXXXX")
trap 'rm -rf "$work"' EXIT
git archive "$revision" | tar -x -C "$work"
python3 scripts/mutants.py "$work" "$arch" "$@"
