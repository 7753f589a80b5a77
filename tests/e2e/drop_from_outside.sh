#!/usr/bin/env bash
# Drops from outside onto the running program, as a Linux file manager
# drops onto a Wine window: xdnd-drop offers a text/uri-list over XDND, Wine
# turns it into WM_DROPFILES. The names mislead, so only the contents say
# what the files are: first a history named .txt, loaded without a message
# (drop-history.png shows it, "event 30 / 432000"); then a mono WAVE file
# named .his, refused with the "Sorry..." box (drop-sorry.png).
#
#   tests/e2e/drop_from_outside.sh WINDOWS_TREE NATIVE_TREE OUT_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tree=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
out=$3
rm -rf "$out" && mkdir -p "$out"
out=$(cd "$out" && pwd)

# A short history from the scan, and a mono WAVE file: the demo's header
# with one channel.
"$native/tools/make-demo-wav" "$out/demo.wav" 3
"$native/tools/tenvelo-scan" --quiet "$out/demo.wav" -o "$out/levels.txt"
cp "$out/demo.wav" "$out/mono.his"
printf '\x01\x00' | dd of="$out/mono.his" bs=1 seek=22 conv=notrunc status=none

"$root/scripts/testenv" --prefix "$tree/wineprefix" --reuse -- bash -c '
    set -u
    out=$1 tree=$2 native=$3
    shown() { xwininfo -name "$1" 2>/dev/null | grep -q IsViewable; }
    wait_shown() { for _ in $(seq 100); do shown "$1" && return 0; sleep 0.1; done; return 1; }
    cd "$out"
    "$TENVELO_WINE" "$tree/tenvelo.exe" >"$out/program.log" 2>&1 &
    wait_shown Tenvelo || { echo "FAILED: no main window"; exit 1; }
    sleep 1
    # On the front panel, between its controls.
    x=$(xwininfo -name Tenvelo | sed -n "s/.*Absolute upper-left X: *//p")
    y=$(xwininfo -name Tenvelo | sed -n "s/.*Absolute upper-left Y: *//p")
    drop() {
        "$native/tests/xdnd-drop" $((x + 125)) $((y + 200)) "$@" || { echo "FAILED: drop of $*"; exit 1; }
    }
    drop "$out/levels.txt"
    sleep 2
    import -window root "$out/drop-history.png"
    ! shown "Disk Error" || { echo "FAILED: the history was refused"; exit 1; }
    drop "$out/mono.his"
    wait_shown Sorry... || { echo "FAILED: no \"Sorry...\" box"; exit 1; }
    sleep 0.5 # painted
    import -window root "$out/drop-sorry.png"
    echo "passed: the history loaded, the \"Sorry...\" box shown"
' _ "$out" "$tree" "$native"
