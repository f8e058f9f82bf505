#!/usr/bin/env bash
# tsweb on one large RTF document against one large page of the same text: the RTF as Word
# writes it (a font table with .VnTime and VNI-Times, \'xx escapes, a paragraph a line, a
# run in bold every fourth line), the page as gen_html wraps it.  Prints both times.
#   bench/rtf_vs_page.sh [BUILD_DIR] [MB]
set -euo pipefail
build=${1:-build/release}
mb=${2:-100}
tsconv=$build/tools/tsconv
tsweb=$build/webconv/tsweb
gen=$build/bench/gen_text
html=$build/bench/gen_html
for tool in "$tsconv" "$tsweb" "$gen" "$html"; do
  [ -x "$tool" ] || { echo "missing $tool: build the project first" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/ts-rtf-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$gen" "$mb" 5 | "$tsconv" -f utf-8 -t tcvn3 > "$work/text.tcvn3" 2> /dev/null
"$html" < "$work/text.tcvn3" > "$work/page.htm"
/usr/bin/python3 "$(dirname "$0")/tcvn3_rtf.py" "$work/text.tcvn3" "$work/doc.rtf"
ls -l "$work/page.htm" "$work/doc.rtf" | awk '{print $5, $9}'
for f in page.htm doc.rtf; do
  start=$(date +%s.%N)
  "$tsweb" --from 15 --to 39 "$work/$f" > /dev/null
  end=$(date +%s.%N)
  echo "$f: $(echo "$end - $start" | bc) s"
done
