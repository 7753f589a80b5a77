#!/usr/bin/env bash
# tenvelo-scan --loudness against ffmpeg's ebur128 filter with true peak and
# a minimal libebur128 program (bench/ebur128_peer.c: integrated, range and
# true peak; and without true peak), beside the plain scan and `cat`, on the
# 10-minute demo file, page cache warm, in one hyperfine run. Also checks
# that the plain scan's history is the same with and without --loudness.
# Needs ffmpeg, hyperfine, jq and libebur128-dev (Debian packages).
#   bench/loudness_vs_peers.sh [BUILD_DIR] [RUNS]   (default build/native, 10)
set -euo pipefail
build=${1:-build/native}
runs=${2:-10}
file=/tmp/tenvelo_bench_600s.wav
peer=/tmp/tenvelo_ebur128_peer
[ -f "$file" ] || "$build/tools/make-demo-wav" "$file" 600
cc -O2 -o "$peer" "$(dirname "$0")/ebur128_peer.c" -lebur128
cat "$file" >/dev/null
"$build/tools/tenvelo-scan" --quiet "$file" -o /tmp/loudness_bench_plain.his
"$build/tools/tenvelo-scan" --quiet --loudness "$file" -o /tmp/loudness_bench.his
cmp /tmp/loudness_bench_plain.his /tmp/loudness_bench.his && echo "histories identical"
uptime
hyperfine --warmup 2 --runs "$runs" -N --export-markdown /tmp/loudness_vs_peers.md \
    --export-json /tmp/loudness_vs_peers.json \
    "cat $file" \
    "$build/tools/tenvelo-scan --quiet $file -o /tmp/loudness_bench_plain.his" \
    "$build/tools/tenvelo-scan --quiet --loudness $file -o /tmp/loudness_bench.his" \
    "$peer $file truepeak" \
    "$peer $file" \
    "ffmpeg -nostats -i $file -af ebur128=peak=true -f null -"
uptime
cat /tmp/loudness_vs_peers.md
jq -r '.results[] | "median \(.median * 10000 | round / 10) ms, user \(.user * 10000 | round / 10) ms: \(.command)"' \
    /tmp/loudness_vs_peers.json | cut -c1-110
