#!/usr/bin/env bash
# Builds and opens the wizard under Wine, in the project's own prefix under build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
dir=$(scripts/build.sh)
if [ -z "${DISPLAY:-}" ]; then
    echo "run: there is no display; the wizard runs on a virtual one (Xvfb), where nobody can see it." >&2
fi
exec scripts/wine-run.sh --prefix build/wineprefix "$dir/Bildkranz.exe"
