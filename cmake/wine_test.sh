#!/usr/bin/env bash
# Runs a Windows test program under Wine for ctest (the Windows trees'
# emulator):
#
#   cmake/wine_test.sh WINE PROGRAM [ARGS...]
#
# Under a full run's load, one start in several thousand failed in 0.03 s
# without a single line of output: the program never reached main (its
# first act is GoogleTest's "Running main()" line; a Wine start takes about
# 0.25 s to get there), so Wine could not start it. Such a start, failed and
# silent, is run once more, and said: on standard error and as a line in
# $TENVELO_WINE_RETRIES, which scripts/test prints at its end. A test that
# printed anything stands as it ended, and one that dies silently twice
# fails.
set -uo pipefail
wine=$1; shift
said=$(mktemp)
trap 'rm -f "$said"' EXIT
began=$(date +%s%N)
"$wine" "$@" >"$said" 2>&1
status=$?
cat "$said"
if [ "$status" != 0 ] && [ ! -s "$said" ]; then
    ms=$((($(date +%s%N) - began) / 1000000))
    line="Wine start retried: $(basename "$1") ${*:2} ended with $status after $ms ms, silent"
    echo "wine_test: $line" >&2
    [ -z "${TENVELO_WINE_RETRIES:-}" ] || echo "$line" >>"$TENVELO_WINE_RETRIES"
    "$wine" "$@"
    status=$?
fi
exit "$status"
