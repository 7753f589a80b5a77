#!/usr/bin/env bash
# The README's GNU parallel command line, with parallel's local login (":")
# and two job slots in place of the hosts: every file's .his is the one a
# single scan of that file writes.
#
#   tests/tools/scan_parallel.sh NATIVE_TREE
set -euo pipefail
tools=$(cd "$1/tools" && pwd)
work=$(mktemp -d /tmp/tenvelo-parallel.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/archive" "$work/single"
for seconds in 2 3 5 7 11; do
    "$tools/make-demo-wav" "$work/archive/take-$seconds.wav" "$seconds"
done
cd "$work/archive"
export PATH="$tools:$PATH"
parallel --will-cite --sshlogin 2/: tenvelo-scan --quiet --jobs 1 {} -o {.}.his ::: *.wav
for wav in *.wav; do
    tenvelo-scan --quiet "$wav" -o "../single/${wav%.wav}.his"
    cmp "${wav%.wav}.his" "../single/${wav%.wav}.his"
done
