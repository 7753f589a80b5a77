#!/usr/bin/env bash
# tenvelo-scan against the usual command-line level meters and `cat`, on the
# same 10-minute demo file, page cache warm, in one hyperfine run.
# Needs sox, ffmpeg, hyperfine and jq (Debian packages; the tests do not).
#   bench/scan_vs_peers.sh [BUILD_DIR] [RUNS]   (default build/native, 20)
set -euo pipefail
build=${1:-build/native}
runs=${2:-20}
file=/tmp/tenvelo_bench_600s.wav
[ -f "$file" ] || "$build/tools/make-demo-wav" "$file" 600
cat "$file" >/dev/null
uptime
hyperfine --warmup 3 --runs "$runs" -N --export-markdown /tmp/scan_vs_peers.md --export-json /tmp/scan_vs_peers.json \
    "cat $file" \
    "$build/tools/tenvelo-scan --quiet $file -o /tmp/scan_bench.his" \
    "$build/tools/tenvelo-scan --quiet --jobs 1 $file -o /tmp/scan_bench_1.his" \
    "sox $file -n stats" \
    "ffmpeg -nostats -i $file -af volumedetect -f null -" \
    "ffmpeg -nostats -i $file -af astats -f null -" \
    "ffmpeg -nostats -i $file -af ebur128 -f null -"
uptime
cat /tmp/scan_vs_peers.md
# Medians too: one burst of another process moves a mean more than a median.
jq -r '.results[] | "median \(.median * 10000 | round / 10) ms: \(.command)"' /tmp/scan_vs_peers.json | cut -c1-100
