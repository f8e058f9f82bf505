#!/usr/bin/env bash
# tsweb converting office documents against LibreOffice opening and saving the same files:
# DOCS .docx documents of PAGES pages each (TCVN3 text in .VnTime in paragraphs of LINES
# lines, every fourth paragraph in bold), made by LibreOffice from RTF; then `soffice
# --convert-to docx` over all of them in one call, and `tsweb --from tcvn3 --to 39` over a copy
# of them (each package converted in its own XML, no office, a thread per core).  Prints both
# times and tsweb's peak memory beside the largest part.
# Each paragraph costs the office a fixed amount whatever its length: a paragraph a line
# (LINES 1) is the dearest shape, five lines a more usual one.  FORMAT doc: Word 97 documents
# instead, which tsweb converts through LibreOffice and the add-in's macros.
#   bench/office_packages.sh [BUILD_DIR] [DOCS] [PAGES] [JOBS] [LINES] [FORMAT]
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
docs=${2:-40}
pages=${3:-30}
jobs=${4:-1}
lines=${5:-5}
format=${6:-docx}
case $format in
  docx) filter=docx ;;
  doc) filter='doc:MS Word 97' ;;
  *) echo "FORMAT: docx or doc" >&2; exit 2 ;;
esac
tsconv=$build/tools/tsconv
tsweb=$build/webconv/tsweb
gen=$build/bench/gen_text
for tool in "$tsconv" "$tsweb" "$gen"; do
  [ -x "$tool" ] || { echo "missing $tool: build the project first" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/ts-office-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# About 3,000 characters a page.
kb=$(( pages * 3 ))
"$gen" 1 5 > "$work/text.utf8"
head -c $(( kb * 1024 )) "$work/text.utf8" | "$tsconv" -f utf-8 -t tcvn3 > "$work/text.tcvn3" 2> /dev/null || true
/usr/bin/python3 "$(dirname "$0")/tcvn3_rtf.py" "$work/text.tcvn3" "$work/doc.rtf" "$lines"
mkdir -p "$work/rtf" "$work/docs" "$work/saved"
for i in $(seq -w 1 "$docs"); do cp "$work/doc.rtf" "$work/rtf/d$i.rtf"; done
profile="file://$work/profile"
soffice --headless -env:UserInstallation="$profile" --convert-to "$filter" --outdir "$work/docs" \
  "$work/rtf"/*.rtf > /dev/null 2>&1
ls "$work/docs" | wc -l | xargs echo "documents (paragraphs of $lines lines):"
du -sh "$work/docs" | cut -f1 | xargs echo "size:"
cp -r "$work/docs" "$work/tsweb"

start=$(date +%s.%N)
soffice --headless -env:UserInstallation="$profile" --convert-to "$filter" --outdir "$work/saved" \
  "$work/docs"/*."$format" > /dev/null 2>&1
end=$(date +%s.%N)
office=$(echo "$end - $start" | bc)
echo "soffice --convert-to (open and save): $office s"

start=$(date +%s.%N)
TESSARO_ADDIN_DIR=${TESSARO_ADDIN_DIR:-$build/office/addin} \
TESSARO_LIBTSLIB=${TESSARO_LIBTSLIB:-$build/lib/libtslib.so} \
  /usr/bin/time -f "%M" -o "$work/tsweb.rss" \
  "$tsweb" --from tcvn3 --to 39 -j "$jobs" "$work/tsweb" > "$work/tsweb.out" 2> "$work/tsweb.err" || true
end=$(date +%s.%N)
ours=$(echo "$end - $start" | bc)
head -1 "$work/tsweb.out"
echo "tsweb -j $jobs (convert every run and save): $ours s"
# Memory: tsweb's peak against the largest part it changes (document.xml) and the package.
first="$work/docs/$(ls "$work/docs" | head -1)"
if [ "$format" = docx ]; then
  largest=$(unzip -l "$first" | awk '$4 ~ /\.xml$/ {print $1}' | sort -n | tail -1)
  echo "tsweb's peak memory: $(tail -1 "$work/tsweb.rss") KiB; the largest part: $((largest / 1024)) KiB; a package: $(( $(stat -c %s "$first") / 1024 )) KiB"
else
  echo "peak memory of tsweb or an office it started: $(tail -1 "$work/tsweb.rss") KiB; a document: $(( $(stat -c %s "$first") / 1024 )) KiB"
fi
echo "ratio: $(echo "scale=2; $ours / $office" | bc)"
