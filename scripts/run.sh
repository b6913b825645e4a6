#!/usr/bin/env bash
# Builds and opens the wizard under Wine, in the project's own prefix under build/.
# Without a display nobody could see the wizard. Then a walkthrough drives it on
# a virtual display through one registration as a person would, saves a
# screenshot of every screen in build/demo/ and tells what the registration did.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
dir=$(scripts/build.sh)
if [ -n "${DISPLAY:-}" ]; then
    exec scripts/wine-run.sh --prefix build/wineprefix "$dir/Bildkranz.exe"
fi

echo "run: there is no display (DISPLAY is empty), so the wizard runs on a virtual one (Xvfb)."
echo "run: nobody can see it there; a walkthrough drives it through one registration instead."
echo

# shellcheck source=scripts/wine-arch.sh
. scripts/wine-arch.sh
prefix=$root/build/demo-prefix
screens=$root/build/demo
# In the prefix's C: drive, where the walkthrough saves the screenshots.
shots_in_prefix='C:\Bildschirmfotos'
shots_folder=$prefix/drive_c/Bildschirmfotos

end_wine() {
    WINEPREFIX=$prefix "$WINE_SERVER" -k 2>/dev/null || true
    WINEPREFIX=$prefix "$WINE_SERVER" -w 2>/dev/null || true
}

# The display is started here rather than by wine-run.sh, so that it outlives
# the Wine processes of the prefix; losing it under them makes them complain.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'end_wine; kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -f "$fifo"' EXIT
read -r number <"$fifo"
export DISPLAY=":$number"

# Every walkthrough starts from the same registry: a fresh copy of the
# template. A Wine server a previous walkthrough left behind goes first.
if [ -d "$prefix" ]; then
    end_wine
    rm -rf "$prefix"
fi
rm -rf "$screens"
mkdir -p "$screens"

status=0
scripts/wine-run.sh --prefix "$prefix" "$dir/walkthrough.exe" "$shots_in_prefix" || status=$?
end_wine

if compgen -G "$shots_folder/*.png" >/dev/null; then
    cp "$shots_folder"/*.png "$screens/"
fi
echo
echo "run: the screenshots are in $screens/:"
found=0
for shot in "$screens"/*.png; do
    [ -e "$shot" ] || continue
    echo "  $(basename "$shot")"
    found=1
done
[ "$found" = 1 ] || echo "  none"
echo "run: the walkthrough's Wine prefix stays in $prefix (the registry and C:\\Bildkranz Demo\\)."
if [ "$status" -ne 0 ]; then
    echo "run: the walkthrough did not finish (exit status $status)." >&2
fi
exit "$status"
