#!/usr/bin/env bash
# tenvelo-scan --loudness against ffmpeg's ebur128 filter with true peak and
# a minimal libebur128 program reading through libsndfile
# (bench/ebur128_peer.c: integrated, range and true peak; and without true
# peak), beside the plain scan and `cat`, on a 10-minute file, page cache
# warm, in one hyperfine run. Also checks that the plain scan's history is
# the same with and without --loudness.
#
# FORMAT 44k16 (the default) is the demo file, 16-bit stereo 44.1 kHz.
# FORMAT 48k24 is pink noise under a slow tremolo, 24-bit stereo 48 kHz,
# made with sox.
# Needs ffmpeg, hyperfine, jq, libebur128-dev and libsndfile1-dev (Debian
# packages); sox for 48k24.
#   bench/loudness_vs_peers.sh [BUILD_DIR] [RUNS] [FORMAT]   (build/native, 10, 44k16)
set -euo pipefail
build=${1:-build/native}
runs=${2:-10}
format=${3:-44k16}
peer=/tmp/tenvelo_ebur128_peer
case "$format" in
44k16)
    file=/tmp/tenvelo_bench_600s.wav
    [ -f "$file" ] || "$build/tools/make-demo-wav" "$file" 600
    ;;
48k24)
    file=/tmp/tenvelo_bench_600s_48k24.wav
    [ -f "$file" ] || sox -n -r 48000 -b 24 -c 2 "$file" synth 600 pinknoise tremolo 0.05 60 gain -8
    ;;
*) echo "FORMAT is 44k16 or 48k24" >&2; exit 2 ;;
esac
cc -O2 -o "$peer" "$(dirname "$0")/ebur128_peer.c" -lebur128 -lsndfile
cat "$file" >/dev/null
"$build/tools/tenvelo-scan" --quiet "$file" -o /tmp/loudness_bench_plain.his
"$build/tools/tenvelo-scan" --quiet --loudness "$file" -o /tmp/loudness_bench.his
cmp /tmp/loudness_bench_plain.his /tmp/loudness_bench.his && echo "histories identical"
"$build/tools/tenvelo-scan" --loudness "$file" -o /tmp/loudness_bench.his
"$peer" "$file" truepeak
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
