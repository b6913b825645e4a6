#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of the project's own, never in
# ~/.wine, on a virtual display when there is no real one.
#
#   wine-run.sh [--prefix DIR] [--32bit] PROGRAM.exe [ARGS...]
#   wine-run.sh [--32bit] --init
#
# Without --prefix the program gets a fresh prefix, copied from a template that
# is created once (creating a prefix takes seconds, copying it a moment; where
# 32-bit programs are emulated, minutes) and removed afterwards, so every test
# starts from the same registry. Where Wine's 32-bit loader starts, the template
# has the 32-bit half too, so that the shipped 32-bit program runs in it.
#
# --32bit: the program runs 32-bit programs. Where none can run here, it is not
# started: the reason is printed and the exit status is 77 (CTest: skipped).
# Otherwise BILDKRANZ_WAIT_SCALE tells it how much longer than at native speed
# a 32-bit program needs here, for its deadlines.
# The exit status is the program's.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
template=${BILDKRANZ_WINE_TEMPLATE:-$root/build/wine-template}
prefix=""
while [ $# -gt 0 ]; do
    case "$1" in
        --prefix) prefix=$(realpath -m "$2"); shift 2 ;;
        --init) shift; init_only=1 ;;
        --32bit) shift; needs_32bit=1 ;;
        --) shift; break ;;
        *) break ;;
    esac
done

# shellcheck source=wine-arch.sh
. "$here/wine-arch.sh"
if [ -n "${needs_32bit:-}" ]; then
    case "$WINE32" in
        none)
            echo "wine-run: SKIPPED, the 32-bit part did not run: $WINE32_REASON." >&2
            exit 77 ;;
        emulated) export BILDKRANZ_WAIT_SCALE=${BILDKRANZ_WAIT_SCALE:-12} ;;
        native) export BILDKRANZ_WAIT_SCALE=${BILDKRANZ_WAIT_SCALE:-1} ;;
    esac
fi
export WINELOADER=$WINE_LOADER WINESERVER=$WINE_SERVER
wine() { "$WINE_LOADER" "$@"; }
wineserver() { "$WINE_SERVER" "$@"; }

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
unset WINEARCH

cleanup_actions=()
cleanup() {
    local i
    for ((i = ${#cleanup_actions[@]} - 1; i >= 0; i--)); do
        eval "${cleanup_actions[i]}" || true
    done
}
trap cleanup EXIT

start_virtual_display() {
    local fifo pid number
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    pid=$!
    read -r number <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$number"
    cleanup_actions+=("kill $pid; wait $pid 2>/dev/null")
}

create_template() {
    mkdir -p "$(dirname "$template")"
    exec 9>"$template.lock"
    flock 9
    # A template made while no 32-bit program could run lacks the 32-bit half.
    if [ -f "$template/.ready" ] && [ "$WINE32" != none ] &&
        ! grep -qx with-32bit "$template/.ready"; then
        rm -f "$template/.ready"
    fi
    if [ ! -f "$template/.ready" ]; then
        if [ "$WINE32" = emulated ]; then
            echo "wine-run: creating the Wine prefix $template with its emulated 32-bit half (once, takes minutes)" >&2
        else
            echo "wine-run: creating the Wine prefix $template (once, takes a few seconds)" >&2
        fi
        rm -rf "$template"
        WINEPREFIX=$template wine wineboot -i >/dev/null 2>&1
        # Wine draws the title bar itself, as Windows would, instead of leaving
        # it to an X window manager that a virtual display does not have.
        WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\X11 Driver' \
            /v Decorated /d N /f >/dev/null 2>&1
        # Without a window manager, a managed window waits seconds for the
        # manager's answer each time it is shown or hidden.
        WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\X11 Driver' \
            /v Managed /d N /f >/dev/null 2>&1
        # A crashing test must fail, not wait for someone to close a dialog.
        WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\WineDbg' \
            /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        # wine64 does not find the fonts Debian installs for Wine (Tahoma, the
        # window's font, and Marlett, the title bar's glyphs); the prefix's own
        # font folder is always searched.
        cp /usr/share/wine/fonts/*.ttf "$template/drive_c/windows/Fonts/"
        WINEPREFIX=$template wineserver -w
        if [ "$WINE32" = none ]; then
            echo without-32bit >"$template/.ready"
        else
            echo with-32bit >"$template/.ready"
        fi
    fi
    flock -u 9
}

[ -n "${DISPLAY:-}" ] || start_virtual_display
create_template
[ -z "${init_only:-}" ] || exit 0
[ $# -gt 0 ] || { echo "usage: wine-run.sh [--prefix DIR] PROGRAM.exe [ARGS...]" >&2; exit 2; }

if [ -z "$prefix" ]; then
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/bildkranz-wine.XXXXXX")
    cleanup_actions+=("rm -rf '$prefix'")
    cp -a "$template/." "$prefix/"
    cleanup_actions+=("WINEPREFIX='$prefix' wineserver -k 2>/dev/null; WINEPREFIX='$prefix' wineserver -w")
elif [ ! -f "$prefix/.ready" ]; then
    mkdir -p "$prefix"
    cp -a "$template/." "$prefix/"
fi
export WINEPREFIX=$prefix

status=0
wine "$@" || status=$?
exit $status
