#!/usr/bin/env bash
# The program measuring its input, through the real sound server: inside
# the test environment (the PulseAudio null sink, whose monitor is an input
# device for Wine), tenvelo.exe measures the monitor while paplay plays a
# file of stepped tones into the sink, saves the history, then plays the
# same file to its end and shows its loudness. The checks (tests/e2e/
# measure_input_win32.cpp) hold the saved history against the steps and
# the Loudness window against tenvelo-scan --loudness.
#
#   tests/e2e/measure_input.sh WINDOWS_TREE OUT_DIR
#
# Exits 0 when it passed; the log, screenshots (PNG) and files are in OUT_DIR.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tree=$(cd "$1" && pwd)
out=$2
cd "$root"
rm -rf "$out" && mkdir -p "$out"
out=$(cd "$out" && pwd)

# 997 Hz at -6, -20 and -40 dBFS, then -6 dBFS with the right channel
# inverted, 2 s each, between 1 s of silence at both ends.
python3 - "$out/steps.wav" <<'PY'
import math, struct, sys, wave
rate = 44100
frames = bytearray()
def silence(seconds):
    frames.extend(b"\0\0\0\0" * int(rate * seconds))
def tone(db, seconds, anti=False):
    a = 10 ** (db / 20) * 32767
    for i in range(int(rate * seconds)):
        v = int(round(a * math.sin(2 * math.pi * 997 * i / rate)))
        frames.extend(struct.pack("<hh", v, -v if anti else v))
silence(1)
for db in (-6, -20, -40):
    tone(db, 2)
tone(-6, 2, anti=True)
silence(1)
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate); w.writeframes(bytes(frames))
PY

windows_dir="Z:${out//\//\\}"
status=0
scripts/testenv --prefix "$tree/input-prefix" -- bash -c '
    out=$1 dir=$2 tree=$3
    # The peak falls at 96 dB/s, so that each step shows its own level
    # within a few frames.
    "$TENVELO_WINE" reg add "HKCU\\Tavin_Audio\\OLMA\\Meter\\Tenvelo" /v Max_DBperS \
        /t REG_BINARY /d 0000c042 /f >/dev/null 2>&1
    "$TENVELO_WINE" "$tree/tools/tenvelo-scan.exe" --loudness "$dir\\steps.wav" \
        -o "$dir\\scan.his" >"$out/scan.txt" 2>&1
    # The sound is played when the program says it measures.
    (
        for _ in $(seq 600); do [ -e "$out/measuring" ] && break; sleep 0.1; done
        [ -e "$out/measuring" ] && paplay --device="$TENVELO_NULL_SINK" "$out/steps.wav"
        touch "$out/played"
    ) &
    TENVELO_E2E_DIR="$dir" TENVELO_SCREENSHOT_DIR="$dir" \
        tests/e2e/wine_desktop.sh 1024x768 "$tree/tests/tenvelo_measure_input.exe"
    wait
' _ "$out" "$windows_dir" "$tree" >"$out/measure_input.log" 2>&1 || status=$?
grep -q '^\[  PASSED  \] 1 test' "$out/measure_input.log" || status=1
for bmp in "$out"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
exit $status
