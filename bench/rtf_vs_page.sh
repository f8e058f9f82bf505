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
/usr/bin/python3 - "$work/text.tcvn3" "$work/doc.rtf" <<'PY'
import sys
src, dst = sys.argv[1], sys.argv[2]
esc = [("\\'%02x" % b) if b >= 0x80 else chr(b) for b in range(256)]
for ch in "\\{}":
    esc[ord(ch)] = "\\" + ch
with open(src, "rb") as f, open(dst, "w", encoding="ascii") as out:
    out.write("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 .VnTime;}"
              "{\\f1\\fswiss\\fcharset0 VNI-Times;}}\n{\\colortbl;\\red0\\green0\\blue0;}\n")
    for n, line in enumerate(f):
        text = "".join(esc[b] for b in line.rstrip(b"\n"))
        out.write(("{\\b\\f0 " + text + "}" if n % 4 == 3 else "\\pard\\f0 " + text) + "\\par\n")
    out.write("}\n")
PY
ls -l "$work/page.htm" "$work/doc.rtf" | awk '{print $5, $9}'
for f in page.htm doc.rtf; do
  start=$(date +%s.%N)
  "$tsweb" --from 15 --to 39 "$work/$f" > /dev/null
  end=$(date +%s.%N)
  echo "$f: $(echo "$end - $start" | bc) s"
done
