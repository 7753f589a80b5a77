#!/usr/bin/env bash
# The scan of a FLAC file (through libsndfile) against the decoder alone and
# the scan of the decoded WAVE file, beside `cat` of the WAVE file, on the
# 10-minute demo file, page cache warm, in one hyperfine run: the FLAC scan
# should take no longer than 1.5x (decoder + WAVE scan).
# Needs flac, hyperfine and jq (Debian packages; the tests do not).
#   bench/scan_flac_vs_decoder.sh [BUILD_DIR] [RUNS]   (default build/native, 10)
set -euo pipefail
build=${1:-build/native}
runs=${2:-10}
wave=/tmp/tenvelo_bench_600s.wav
flac=/tmp/tenvelo_bench_600s.flac
scan="$build/tools/tenvelo-scan --quiet"
[ -f "$wave" ] || "$build/tools/make-demo-wav" "$wave" 600
[ -f "$flac" ] || flac -s -0 -f -o "$flac" "$wave"
cat "$wave" "$flac" >/dev/null
$scan "$wave" -o /tmp/flac_bench_wave.his
$scan "$flac" -o /tmp/flac_bench_flac.his
cmp /tmp/flac_bench_wave.his /tmp/flac_bench_flac.his && echo "histories identical"
uptime
hyperfine --warmup 2 --runs "$runs" -N --export-markdown /tmp/scan_flac.md --export-json /tmp/scan_flac.json \
    "cat $wave" \
    "$scan $wave -o /tmp/flac_bench_wave.his" \
    "flac -s -d -c $flac" \
    "$scan $flac -o /tmp/flac_bench_flac.his"
uptime
cat /tmp/scan_flac.md
jq -r '.results[] | "median \(.median * 10000 | round / 10) ms, user \(.user * 10000 | round / 10) ms: \(.command)"' \
    /tmp/scan_flac.json | cut -c1-110
