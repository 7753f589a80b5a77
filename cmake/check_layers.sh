#!/usr/bin/env bash
# Fails when a folder includes a header from its own level or above. The
# layers run one way, lowest first:
#   sys < toolkit, history < meter < display < audio, view < app, tools
# Folders of one level never include each other. tools/ may also include
# tests/: its pictures and timings reuse the window tests' fixtures.
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
declare -A rank=([sys]=0 [toolkit]=1 [history]=1 [meter]=2 [display]=3 [audio]=4 [view]=4
                 [app]=5 [tools]=5)
bad=0
for folder in "${!rank[@]}"; do
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^#include "([a-z_0-9]+)\/.*/\1/' <<<"$text")
        [ "$target" = "$folder" ] && continue
        if [ "$folder" = tools ] && [ "$target" = tests ]; then continue; fi
        if [ -z "${rank[$target]+x}" ] || [ "${rank[$target]}" -ge "${rank[$folder]}" ]; then
            echo "$file:$line: $folder/ must not include $target/ ($text)"
            bad=1
        fi
    done < <(cd "$root" && grep -rnE '^#include "[a-z_0-9]+/' "$folder" --include='*.h' --include='*.cpp' --include='*.c')
done
exit $bad
