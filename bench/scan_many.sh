#!/usr/bin/env bash
# tenvelo-scan on many files: a folder of 20 copies of the 3-minute demo
# file scanned with --jobs 2 against --jobs 1 in one hyperfine run, every
# history compared (cmp) with a single scan of its file, then the peak
# resident size of a one-hour file (/usr/bin/time -v).
# Needs hyperfine and jq (Debian packages; the tests do not).
#   bench/scan_many.sh [BUILD_DIR] [RUNS]   (default build/native, 10)
set -euo pipefail
build=${1:-build/native}
runs=${2:-10}
scan=$build/tools/tenvelo-scan
dir=/tmp/tenvelo_bench_many
mkdir -p "$dir/in" "$dir/jobs1" "$dir/jobs2" "$dir/single"
[ -f "$dir/demo180.wav" ] || "$build/tools/make-demo-wav" "$dir/demo180.wav" 180
for i in $(seq -w 1 20); do
    [ -f "$dir/in/take$i.wav" ] || cp "$dir/demo180.wav" "$dir/in/take$i.wav"
done
inputs=$(ls "$dir"/in/take*.wav | tr '\n' ' ')
cat $inputs >/dev/null
uptime
hyperfine --warmup 2 --runs "$runs" -N --export-markdown /tmp/scan_many.md --export-json /tmp/scan_many.json \
    "$scan --quiet --jobs 1 --out-dir $dir/jobs1 $inputs" \
    "$scan --quiet --jobs 2 --out-dir $dir/jobs2 $inputs"
uptime
cat /tmp/scan_many.md
# Medians too: one burst of another process moves a mean more than a median.
jq -r '.results[] | "median \(.median * 10000 | round / 10) ms: \(.command)"' /tmp/scan_many.json | cut -c1-100

same=0
for f in $inputs; do
    name=$(basename "$f" .wav)
    "$scan" --quiet "$f" -o "$dir/single/$name.his"
    cmp "$dir/single/$name.his" "$dir/jobs1/$name.his"
    cmp "$dir/single/$name.his" "$dir/jobs2/$name.his"
    same=$((same + 1))
done
echo "$same of 20 histories byte-identical to single scans with --jobs 1 and --jobs 2"

hour=/tmp/tenvelo_bench_3600s.wav
[ -f "$hour" ] || "$build/tools/make-demo-wav" "$hour" 3600
cat "$hour" >/dev/null
for jobs in 1 2; do
    /usr/bin/time -v "$scan" --quiet --jobs $jobs "$hour" -o /tmp/scan_bench_hour.his 2>&1 |
        sed -n "s/.*Maximum resident set size (kbytes): /one hour, --jobs $jobs: peak resident kB /p"
done
