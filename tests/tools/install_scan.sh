#!/usr/bin/env bash
# cmake --install of the native tree: tenvelo-scan runs from the prefix and
# its manual page renders without warnings and names every option that
# --help lists.
#
#   tests/tools/install_scan.sh CMAKE NATIVE_TREE
set -euo pipefail
work=$(mktemp -d /tmp/tenvelo-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$1" --install "$2" --prefix "$work" >/dev/null
page="$work/share/man/man1/tenvelo-scan.1"
test -f "$page"
warnings=$(groff -t -man -Tascii -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "$warnings"; exit 1; }
text=$(groff -t -man -Tascii -P-cbou "$page")
status=0
for option in $("$work/bin/tenvelo-scan" --help | grep -oE -- '(^|[[:space:]])--?[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$option" <<<"$text" || { echo "the manual page lacks $option"; status=1; }
done
exit $status
