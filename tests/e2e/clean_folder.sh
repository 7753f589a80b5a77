#!/usr/bin/env bash
# The Windows release as a user meets it: the zip unpacked into an empty
# folder outside the build tree and run in a fresh Wine prefix.
#   - both programs import only DLLs that every Windows since XP has;
#   - tenvelo-scan.exe there writes the demo file's .his byte for byte as the
#     native scan does;
#   - tenvelo.exe starts there: its window and menu answer, the About box
#     shows the zip's version, a few seconds of the demo file are recorded
#     and saved (the native scan's slots), it quits with 0 and leaves its
#     folder as it was unpacked (Walkthrough.FromACleanFolder, driven from
#     a copy of the walkthrough program).
# --imports-only stops after the first check (the i686 zip where 32-bit code
# cannot run). Screenshots and logs land in OUT_DIR.
#
#   tests/e2e/clean_folder.sh [--imports-only] ZIP NATIVE_TREE WINDOWS_TREE OUT_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
imports_only=0
[ "$1" != --imports-only ] || { imports_only=1; shift; }
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
native=$(cd "$2" && pwd)
tree=$(cd "$3" && pwd)
out=$4
rm -rf "$out" && mkdir -p "$out"
out=$(cd "$out" && pwd)
version=$(basename "$zip" | sed -E 's/^tenvelo-(.*)-win(32|64)\.zip$/\1/')
arch=i686
[[ "$zip" != *-win64.zip ]] || arch=x86_64

work=$(mktemp -d /tmp/tenvelo-clean.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/Tenvelo" "$work/music" "$work/driver"
unzip -q "$zip" -d "$work/Tenvelo"
ls -l "$work/Tenvelo"

# The DLLs of Windows XP that a program may rely on.
allowed="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll
shell32.dll user32.dll winmm.dll"
status=0
for exe in tenvelo.exe tenvelo-scan.exe; do
    for dll in $("$arch-w64-mingw32-objdump" -p "$work/Tenvelo/$exe" |
            sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'); do
        grep -qw "$dll" <<<"$allowed" || { echo "FAILED: $exe imports $dll"; status=1; }
    done
done
[ "$status" = 0 ] && echo "imports: only $allowed" | tr '\n' ' ' && echo
# The README's table of the i686 zip against its listing: the same files,
# sizes within a tenth (or 2 KB).
check_table() {
    local listed name kb bytes diff
    listed=$(sed -nE 's/^\| `([^`]+)` \| ([0-9]+) KB \|.*/\1 \2/p' "$root/README.md" | sort)
    [ "$(cut -d' ' -f1 <<<"$listed")" = "$(ls "$work/Tenvelo" | sort)" ] ||
        { echo "FAILED: the README lists" $listed; status=1; }
    while read -r name kb; do
        bytes=$(stat -c %s "$work/Tenvelo/$name" 2>/dev/null || echo 0)
        diff=$((bytes / 1024 - kb)) && diff=${diff#-}
        [ "$diff" -le $((kb / 10 > 2 ? kb / 10 : 2)) ] ||
            { echo "FAILED: $name is $((bytes / 1024)) KB, the README says $kb KB"; status=1; }
    done <<<"$listed"
}
[ "$arch" != i686 ] || check_table
[ "$imports_only" = 0 ] || exit $status

"$native/tools/make-demo-wav" "$work/music/demo.wav"
"$native/tools/tenvelo-scan" --quiet "$work/music/demo.wav" -o "$work/music/scan.his"
cp "$tree/tests/tenvelo_walkthrough.exe" "$work/driver/"
(cd "$work/Tenvelo" && ls -l) >"$work/unpacked.txt"

win() { local p=${1//\//\\}; echo "Z:$p"; }
export TENVELO_E2E_DIR TENVELO_PROGRAM TENVELO_SCREENSHOT_DIR TENVELO_VERSION=$version
TENVELO_E2E_DIR=$(win "$work/music")
TENVELO_PROGRAM=$(win "$work/Tenvelo/tenvelo.exe")
TENVELO_SCREENSHOT_DIR=$(win "$out")
"$root/scripts/testenv" --prefix "$work/prefix" -- bash -c '
    cd "$1/Tenvelo"
    "$TENVELO_WINE" tenvelo-scan.exe --quiet "$TENVELO_E2E_DIR\\demo.wav" \
        -o "$TENVELO_E2E_DIR\\scan-windows.his" || echo "FAILED: tenvelo-scan.exe"
    "$2/tests/e2e/wine_desktop.sh" 1024x768 "$1/driver/tenvelo_walkthrough.exe" \
        --gtest_filter=Walkthrough.FromACleanFolder
' _ "$work" "$root" >"$out/clean-folder.log" 2>&1 || status=1
cat "$out/clean-folder.log"
grep -q '^\[  PASSED  \] 1 test' "$out/clean-folder.log" || status=1
cmp "$work/music/scan.his" "$work/music/scan-windows.his" || status=1
(cd "$work/Tenvelo" && ls -l) | diff "$work/unpacked.txt" - || { echo "FAILED: the folder changed"; status=1; }
for bmp in "$out"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
exit $status
