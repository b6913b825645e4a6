#!/usr/bin/env bash
# The package holds exactly the program the tests ran (byte for byte) and the
# users' guide, and its checksum file matches it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

zip=$("$root/scripts/dist.sh" --package "$work/dist")
fail() { echo "dist_test: $*" >&2; exit 1; }
[ -f "$zip" ] || fail "no archive at $zip"
[[ $(basename "$zip") =~ ^Bildkranz-[0-9]+\.[0-9]+\.zip$ ]] || fail "unexpected name $zip"
(cd "$(dirname "$zip")" && sha256sum -c --quiet "$(basename "$zip").sha256") ||
    fail "the checksum does not match"

python3 - "$zip" "$root/build/Bildkranz.exe" <<'PY' || fail "the archive's content is wrong"
import sys, zipfile
archive, program = sys.argv[1:]
with zipfile.ZipFile(archive) as z:
    names = sorted(z.namelist())
    assert names == ["Bildkranz.exe", "LIESMICH.txt"], names
    assert z.read("Bildkranz.exe") == open(program, "rb").read(), "not the tested program"
    readme = z.read("LIESMICH.txt")
    assert readme.startswith("\ufeff".encode()), "no byte order mark"
    text = readme.decode("utf-8-sig")
    assert "\r\n" in text and "\n" not in text.replace("\r\n", ""), "line ends"
    assert "@VERSION@" not in text
    for words in ("Administratorrechte", "Rückgängig", "SystemFileAssociations", "Temp 0_Classes.reg", "start \"\" /wait"):
        assert words in text, words
PY
echo "dist_test: $(basename "$zip") holds the tested program; checksum matches"
