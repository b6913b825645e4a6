#!/usr/bin/env bash
# Packages what users download: build/dist/Bildkranz-<version>.zip with the
# 32-bit program and LIESMICH.txt, and a SHA-256 checksum file beside it.
#
#   dist.sh               builds first, then packages (make dist)
#   dist.sh --package DIR packages the program already built, into DIR
#
# The version is the one the program's version record shows (resources/version.h).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

out=$root/build/dist
if [ "${1:-}" = --package ]; then
    out=$(realpath -m "$2")
else
    scripts/build.sh >/dev/null
fi
program=$root/build/Bildkranz.exe
[ -f "$program" ] || { echo "dist: $program is missing; build first" >&2; exit 1; }

version=$(sed -n 's/^#define BILDKRANZ_VERSION_TEXT "\(.*\)"$/\1/p' resources/version.h)
[ -n "$version" ] || { echo "dist: no version in resources/version.h" >&2; exit 1; }
name=Bildkranz-$version
mkdir -p "$out"
rm -f "$out/$name.zip" "$out/$name.zip.sha256"

# Notepad on every Windows reads UTF-8 with a byte order mark and CR LF.
python3 - "$program" resources/LIESMICH.txt "$version" "$out/$name.zip" <<'PY'
import sys, zipfile
program, readme, version, target = sys.argv[1:]
text = open(readme, encoding="utf-8").read().replace("@VERSION@", version)
readme_bytes = "\ufeff".encode() + text.replace("\n", "\r\n").encode("utf-8")
# Fixed dates, so that the same files give the same archive.
def entry(name):
    info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0o644 << 16
    return info
with zipfile.ZipFile(target, "w") as archive:
    archive.writestr(entry("Bildkranz.exe"), open(program, "rb").read())
    archive.writestr(entry("LIESMICH.txt"), readme_bytes)
PY
(cd "$out" && sha256sum "$name.zip" >"$name.zip.sha256")
echo "$out/$name.zip"
