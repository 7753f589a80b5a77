#!/usr/bin/env bash
# tenvelo-scan against the usual command-line level meters and `cat`, on the
# same 10-minute demo file, page cache warm, in one hyperfine run.
# Needs sox, ffmpeg and hyperfine (Debian packages; the tests do not).
#   bench/scan_vs_peers.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
build=${1:-build/native}
file=/tmp/tenvelo_bench_600s.wav
[ -f "$file" ] || "$build/tools/make-demo-wav" "$file" 600
cat "$file" >/dev/null
hyperfine --warmup 2 --runs 10 -N --export-markdown /tmp/scan_vs_peers.md \
    "cat $file" \
    "$build/tools/tenvelo-scan --quiet $file -o /tmp/scan_bench.his" \
    "sox $file -n stats" \
    "ffmpeg -nostats -i $file -af volumedetect -f null -" \
    "ffmpeg -nostats -i $file -af astats -f null -" \
    "ffmpeg -nostats -i $file -af ebur128 -f null -"
cat /tmp/scan_vs_peers.md
