#!/usr/bin/env bash
# The Windows tenvelo-scan.exe under Wine writes the same histories, CSVs
# (but for lines ending in CR LF) and JSON summary as the native build, with
# loudness and automatic cues on: the demo file, and a copy with a burst of
# full-scale samples at 5 s.
#   tests/e2e/scan_same_on_windows.sh WINDOWS_BUILD NATIVE_BUILD OUT_DIR
set -euo pipefail
tree=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
mkdir -p "$3"
out=$(cd "$3" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$out"/{his,native,windows} "$out"/*.json

"$native/tools/make-demo-wav" "$out/demo.wav"
cp "$out/demo.wav" "$out/clipped.wav"
# 12 frames of 32767 on both channels, 5 s after the 44-byte header.
printf '\xff\x7f%.0s' $(seq 24) |
    dd of="$out/clipped.wav" bs=1 seek=$((44 + 4 * 44100 * 5)) conv=notrunc status=none

# Relative paths, so the JSON names the same files in both runs.
args=(--loudness --auto-cues --csv-each --out-dir his demo.wav clipped.wav)
(cd "$out" && mkdir his && "$native/tools/tenvelo-scan" "${args[@]}" --json native.json &&
    mv his native && mkdir his)
(cd "$root" && scripts/testenv --prefix "$tree/wineprefix" --reuse -- bash -c \
    'cd "$1" && "$TENVELO_WINE" "$2" "${@:3}" --json windows.json' _ "$out" \
    "$tree/tools/tenvelo-scan.exe" "${args[@]}")
mv "$out/his" "$out/windows"

status=0
for f in demo.his clipped.his; do
    if cmp "$out/native/$f" "$out/windows/$f"; then echo "same: $f"; else status=1; fi
done
# The CSV is a text file: Windows ends its lines with CR LF.
for f in demo.csv clipped.csv; do
    if tr -d '\r' <"$out/windows/$f" | cmp "$out/native/$f" -; then echo "same: $f"; else status=1; fi
done
if cmp "$out/native.json" "$out/windows.json"; then echo "same: JSON"; else status=1; fi
grep -q '"clip LR 12 samples"' "$out/native.json" || { echo "no clip cue"; status=1; }
exit $status
