#!/usr/bin/env bash
# CPU use of the whole program while it plays the demo file with the meter
# window open, at 10 and 30 display frames per second, and three cases that
# tell where it goes (the meter window open but not playing; playing with the
# meter window at its first, narrow size, without a history; playing without
# it); and measuring the input (the null sink's monitor, while paplay plays
# the demo file into the sink over and over) with the meter window open:
# tenvelo.exe started
# and driven by the walkthrough program in a Wine virtual desktop inside the
# test environment (PulseAudio null sink, real time), its process's and the
# Wine server's CPU times read from /proc over SECONDS of playback.
#
#   bench/program_cpu.sh WINDOWS_TREE NATIVE_TREE [SECONDS]   (default 20)
#
# TENVELO_CPU_RUNS picks the cases, as CASE:FPS words. TENVELO_CPU_THREADS=1
# also prints each thread of tenvelo.exe over the same seconds (its name
# where Wine gives one, and its nice value, where Wine maps the Windows
# priority), to tell where the time goes; TENVELO_CPU_PERF=FILE records
# the busiest of them with perf meanwhile, into FILE.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
seconds=${3:-20}
cd "$root"
out=$(mktemp -d /tmp/tenvelo-cpu.XXXXXX)
trap 'rm -rf "$out"' EXIT
"$native/tools/make-demo-wav" "$out/demo.wav"

printf '| case | frames per second | tenvelo.exe | wineserver | both | load average |\n|---|---|---|---|---|---|\n'
for run in ${TENVELO_CPU_RUNS:-playing:10 playing:30 idle:10 narrow:10 no-meter:10}; do
    what=${run%:*} fps=${run#*:}
    rm -f "$out/playing"
    scripts/testenv --prefix "$tree/cpu-prefix" -- bash -c '
        out=$1 exe=$2 seconds=$3 fps=$4 what=$5
        "$TENVELO_WINE" reg add "HKCU\\Tavin_Audio\\OLMA\\Meter\\Tenvelo" /v nbFperS \
            /t REG_BINARY /d "$(printf "%02x000000" "$fps")" /f >/dev/null 2>&1
        player=""
        if [ "$what" = measuring ]; then
            "$TENVELO_WINE" reg add "HKCU\\Tavin_Audio\\demo" /v InputDevice \
                /t REG_SZ /d "WIN : Monitor of Null Output" /f >/dev/null 2>&1
            rm -f "$out/stop-player"
            (while [ ! -e "$out/stop-player" ]; do
                paplay --device="$TENVELO_NULL_SINK" "$out/demo.wav" || exit
            done) &
            player=$!
        fi
        TENVELO_E2E_DIR="Z:${out//\//\\}" TENVELO_SCREENSHOT_DIR="Z:${out//\//\\}" \
            TENVELO_CPU_SECONDS=$((seconds + 4)) TENVELO_CPU_CASE=$what \
            "$TENVELO_WINE" explorer /desktop=tenvelo,1024x768 \
            "$exe" --gtest_filter=Walkthrough.RunsForTheCpuFigure >"$out/run.log" 2>&1 &
        for _ in $(seq 600); do [ -e "$out/playing" ] && break; sleep 0.1; done
        [ -e "$out/playing" ] || { echo "no playback" >&2; cat "$out/run.log" >&2; exit 1; }
        sleep 2
        ticks() { # utime + stime of the processes of this prefix whose command line matches
            local sum=0 pid
            for pid in $(pgrep -f "$1"); do
                tr "\0" "\n" <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
                sum=$((sum + $(awk "{print \$14 + \$15}" "/proc/$pid/stat")))
            done
            echo $sum
        }
        threads() { # TID name nice ticks, for each thread of the program
            local pid task
            for pid in $(pgrep -f "tenvelo\\.exe"); do
                tr "\0" "\n" <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
                for task in /proc/$pid/task/*; do # a thread may end meanwhile
                    stat=$(awk "{print \$19, \$14 + \$15}" "$task/stat" 2>/dev/null) || continue
                    echo "${task##*/} $(tr -d " " <"$task/comm" 2>/dev/null) $stat"
                done
            done | sort
        }
        [ -z "${TENVELO_CPU_THREADS:-}" ] || threads >"$out/threads1"
        a1=$(ticks "tenvelo\\.exe"); s1=$(ticks "wineserver")
        if [ -n "${TENVELO_CPU_PERF:-}" ]; then
            busiest=$(pgrep -f "tenvelo\\.exe" | head -1)
            perf record -q -o "$TENVELO_CPU_PERF" -t "$busiest" -- sleep "$seconds" >/dev/null 2>&1 &
        fi
        sleep "$seconds"
        a2=$(ticks "tenvelo\\.exe"); s2=$(ticks "wineserver")
        [ -z "${TENVELO_CPU_THREADS:-}" ] || threads >"$out/threads2"
        # The loop ends with the paplay it runs (its only child).
        [ -z "$player" ] || { touch "$out/stop-player"; pkill -P "$player" || true; }
        wait
        hz=$(getconf CLK_TCK)
        pct() { awk -v t="$1" -v hz="$hz" -v s="$seconds" "BEGIN { printf \"%.2f %%\", 100 * t / hz / s }"; }
        echo "| $what | $fps | $(pct $((a2 - a1))) | $(pct $((s2 - s1))) | $(pct $((a2 - a1 + s2 - s1))) | $(cut -d" " -f1-3 /proc/loadavg) |"
        if [ -n "${TENVELO_CPU_THREADS:-}" ]; then
            join "$out/threads1" "$out/threads2" | while read -r tid name nice t1 _ _ t2; do
                [ -n "$t2" ] && [ "$t2" -gt "$t1" ] && echo "    thread $tid $name (nice $nice): $(pct $((t2 - t1)))"
            done || true
        fi
    ' _ "$out" "$tree/tests/tenvelo_walkthrough.exe" "$seconds" "$fps" "$what"
done
