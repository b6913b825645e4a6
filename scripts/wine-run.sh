#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of the project's own, never in
# ~/.wine, on a virtual display when there is no real one.
#
#   wine-run.sh [--prefix DIR] [--keep-display] PROGRAM.exe [ARGS...]
#
# Without --prefix the program gets a fresh prefix, copied from a template that
# is created once (creating a prefix takes seconds, copying it a moment) and
# removed afterwards, so every test starts from the same registry.
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
        --) shift; break ;;
        *) break ;;
    esac
done

# shellcheck source=wine-arch.sh
. "$here/wine-arch.sh"
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
    if [ ! -f "$template/.ready" ]; then
        echo "wine-run: creating the Wine prefix $template (once, takes a few seconds)" >&2
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
        touch "$template/.ready"
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
