#!/usr/bin/env bash
# The walkthrough of the whole program: prepares its folder (the demo file,
# tenvelo-scan's history and CSV of it, the bad inputs), drives the real
# tenvelo.exe through it in a Wine virtual desktop inside the test
# environment (the capture device paced by the null sink), and leaves the
# screenshots, the saved history and a page that shows them side by side.
#
#   tests/e2e/walkthrough.sh WINDOWS_TREE NATIVE_TREE OUT_DIR
#
# Exits 0 when the walkthrough passed. Its output is in OUT_DIR/walkthrough.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tree=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
out=$3
cd "$root"

rm -rf "$out" && mkdir -p "$out"
out=$(cd "$out" && pwd)
"$native/tools/make-demo-wav" "$out/demo.wav"
# The walkthrough plays at 50 ms latency: slots are stamped with the
# position at the end of the buffer that completed them.
"$native/tools/tenvelo-scan" --quiet --latency 0.05 "$out/demo.wav" -o "$out/scan.his" \
    --csv "$out/scan.csv"
# The demo's inverted passage and silence as automatic cues.
"$native/tools/tenvelo-scan" --quiet --auto-cues "$out/demo.wav" -o "$out/auto.his"
# Bad input: a WAVE file cut inside its header, a history whose header
# counts more cue records than the file holds, a save target that is
# read-only.
head -c 30 "$out/demo.wav" >"$out/truncated.wav"
cp "$out/scan.his" "$out/lying.his"
printf '\xe8\x03\x00\x00' | dd of="$out/lying.his" bs=1 seek=24 conv=notrunc status=none
echo "read-only" >"$out/readonly.his"
chmod 444 "$out/readonly.his"

windows_dir="Z:${out//\//\\}"
status=0
scripts/testenv --prefix "$tree/e2e-prefix" --capture --paced -- bash -c '
    export TENVELO_E2E_DIR="$1" TENVELO_SCREENSHOT_DIR="$1"
    tests/e2e/wine_desktop.sh 1024x768 "$2"
' _ "$windows_dir" "$tree/tests/tenvelo_walkthrough.exe" >"$out/walkthrough.log" 2>&1 || status=$?
grep -q '^\[  PASSED  \] 1 test' "$out/walkthrough.log" || status=1

for bmp in "$out"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
tests/e2e/walkthrough_page.sh "$out" >"$out/index.html"
exit $status
