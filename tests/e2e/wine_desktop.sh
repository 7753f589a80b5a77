#!/usr/bin/env bash
# Starts a Windows program on a Wine desktop of its own (inside
# scripts/testenv), its output on standard output, and exits with Wine's
# status.
#
#   tests/e2e/wine_desktop.sh WIDTHxHEIGHT PROGRAM [ARGS...]
#
# When Wine's loader cannot load the first program of a command line (here
# explorer.exe itself), it hands the command to start.exe, which fails with
# "ShellExecuteEx failed". That was seen once in a full run with a second
# Wine workload beside it, and never in 20 runs of the same script under
# load: none of our code had run, the desktop never came up. That one
# failure is said and the program started once more; anything else (an
# exit status, a crash or a failed test inside the program) is returned as
# it is.
set -uo pipefail
size=$1; shift
said=$(mktemp)
trap 'rm -f "$said"' EXIT
for attempt in 1 2; do
    "$TENVELO_WINE" explorer "/desktop=tenvelo,$size" "$@" 2>&1 | tee "$said"
    status=${PIPESTATUS[0]}
    [ "$attempt" = 1 ] && grep -q 'ShellExecuteEx failed' "$said" || break
    echo "wine_desktop: Wine could not start explorer.exe (its loader's start.exe fallback failed); starting it once more"
done
exit "$status"
