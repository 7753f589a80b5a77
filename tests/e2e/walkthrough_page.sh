#!/usr/bin/env bash
# Prints the walkthrough's page: the screenshots in the order taken, and the
# history the program saved beside the one tenvelo-scan wrote for the same
# file, with the head of the scan's CSV.
#
#   tests/e2e/walkthrough_page.sh OUT_DIR > OUT_DIR/index.html
set -euo pipefail
out=$1

size() { [ -e "$out/$1" ] && stat -c %s "$out/$1" || echo "missing"; }
# Header words of a .his: sample rate, start time, cue count, slot count.
header() { [ -e "$out/$1" ] && od -An -t d4 -j 16 -N 16 "$out/$1" | xargs || echo "-"; }
escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'; }

result="did not finish"
grep -q '^\[  PASSED  \] 1 test' "$out/walkthrough.log" 2>/dev/null && result="passed"
grep -q '^\[  FAILED  \]' "$out/walkthrough.log" 2>/dev/null && result="failed"

cat <<EOF
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Tenvelo walkthrough</title>
<style>
body { font-family: sans-serif; margin: 2em; background: #f4f4f2; }
.shots { display: flex; flex-wrap: wrap; gap: 1em; }
figure { margin: 0; background: #fff; padding: .5em; border: 1px solid #ccc; }
figure img { width: 480px; display: block; }
.pair { display: flex; gap: 2em; }
.pair div { background: #fff; padding: 1em; border: 1px solid #ccc; }
pre { font-size: 12px; }
</style></head><body>
<h1>Tenvelo walkthrough: $result</h1>
<p>The real program, driven through its keyboard, mouse and dialogs
(<a href="walkthrough.log">log</a>).</p>
<h2>History: the program against tenvelo-scan</h2>
<div class="pair">
<div><h3>Saved by the program</h3><p><a href="walk.his">walk.his</a>, $(size walk.his) bytes</p>
<p>sample rate, start, cues, slots: $(header walk.his)</p></div>
<div><h3>Written by tenvelo-scan</h3><p><a href="scan.his">scan.his</a>, $(size scan.his) bytes</p>
<p>sample rate, start, cues, slots: $(header scan.his)</p>
<p><a href="scan.csv">scan.csv</a>, first lines:</p>
<pre>$(head -8 "$out/scan.csv" 2>/dev/null | escape)</pre></div>
</div>
<h2>Screenshots</h2>
<div class="shots">
EOF
for png in "$out"/*.png; do
    [ -e "$png" ] || continue
    name=$(basename "$png")
    echo "<figure><img src=\"$name\" alt=\"$name\"><figcaption>${name%.png}</figcaption></figure>"
done
echo "</div></body></html>"
