#!/usr/bin/env bash
# The Windows tenvelo-scan.exe under Wine writes the same histories, CSVs
# (but for lines ending in CR LF) and JSON summary as the native build, with
# loudness and automatic cues on: the demo file, a copy with a burst of
# full-scale samples at 5 s, and the demo in every WAVE layout (other rates,
# widths, float, 1, 6 and 8 channels, RF64, a file cut short).
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

# The demo at other rates and widths, as float and in other channel layouts.
layouts=(
    "r48k24:-r 48000 -b 24"
    "r22k8:-r 22050 -b 8 -e unsigned"
    "r96kf32:-r 96000 -e floating-point -b 32"
    "r192kf64:-r 192000 -e floating-point -b 64"
    "i32:-b 32"
)
inputs=(demo.wav clipped.wav)
for layout in "${layouts[@]}"; do
    # shellcheck disable=SC2086
    sox -q "$out/demo.wav" ${layout#*:} "$out/${layout%%:*}.wav"
    inputs+=("${layout%%:*}.wav")
done
sox -q "$out/demo.wav" "$out/mono.wav" remix 1
# L R C LFE Ls Rs from the demo's two channels.
sox -q "$out/demo.wav" -r 48000 -b 24 "$out/six.wav" remix 1 2 1v0.7,2v0.7 1v0.1 1v0.5 2v0.5
inputs+=(mono.wav six.wav)
# Eight channels at 8 kHz in RF64: sizes in a "ds64" chunk, 0xFFFFFFFF in the headers.
sox -q "$out/demo.wav" -r 8000 -e floating-point -b 32 "$out/eight.wav" remix 1 2 1 2 1v0.5 2v0.5 1 2
python3 - "$out/eight.wav" "$out/rf64.wav" <<'PY'
import struct, sys
b = open(sys.argv[1], "rb").read()
at = b.index(b"data")
data = len(b) - at - 8
ds64 = b"ds64" + struct.pack("<IQQQI", 28, len(b) + 36 - 8, data, 0, 0)
open(sys.argv[2], "wb").write(b"RF64\xff\xff\xff\xffWAVE" + ds64 + b[12:at] + b"data\xff\xff\xff\xff" + b[at + 8:])
PY
inputs+=(rf64.wav)
# A file that ends 2 s before its data chunk says.
head -c $((44 + 4 * 44100 * 28)) "$out/demo.wav" >"$out/cut.wav"
inputs+=(cut.wav)

# Relative paths, so the JSON names the same files in both runs.
args=(--loudness --auto-cues --csv-each --out-dir his "${inputs[@]}")
(cd "$out" && mkdir his && "$native/tools/tenvelo-scan" "${args[@]}" --json native.json &&
    mv his native && mkdir his)
(cd "$root" && scripts/testenv --prefix "$tree/wineprefix" --reuse -- bash -c \
    'cd "$1" && "$TENVELO_WINE" "$2" "${@:3}" --json windows.json' _ "$out" \
    "$tree/tools/tenvelo-scan.exe" "${args[@]}")
mv "$out/his" "$out/windows"

status=0
for input in "${inputs[@]}"; do
    f=${input%.wav}
    if cmp "$out/native/$f.his" "$out/windows/$f.his"; then echo "same: $f.his"; else status=1; fi
    # The CSV is a text file: Windows ends its lines with CR LF.
    if tr -d '\r' <"$out/windows/$f.csv" | cmp "$out/native/$f.csv" -; then
        echo "same: $f.csv"
    else
        status=1
    fi
done
if cmp "$out/native.json" "$out/windows.json"; then echo "same: JSON"; else status=1; fi
grep -q '"clip LR 12 samples"' "$out/native.json" || { echo "no clip cue"; status=1; }
grep -q '"truncated": true' "$out/native.json" || { echo "the cut file is not reported"; status=1; }
if grep -q '"error"' "$out/native.json"; then echo "a file failed"; status=1; fi
grep -q '"format": "RF64 32-bit float"' "$out/native.json" || { echo "RF64 not read as such"; status=1; }
exit $status
