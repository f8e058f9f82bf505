#!/usr/bin/env bash
# The web converter on a generated site: tsweb converting every page in place from TCVN3 with
# "html - utf8", and iconv over the same bytes as the raw-speed reference; then one large page
# for the memory bound.
#   bench/web_site.sh [BUILD_DIR] [SITE_MB] [PAGES] [BIG_PAGE_MB]
set -euo pipefail
build=${1:-build}
mb=${2:-110}
pages=${3:-600}
bigmb=${4:-1024}
tsconv=$build/tools/tsconv
tsweb=$build/webconv/tsweb
gen=$build/bench/gen_text
html=$build/bench/gen_html
for tool in "$tsconv" "$tsweb" "$gen" "$html"; do
  [ -x "$tool" ] || { echo "missing $tool: build the project first" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/ts-web-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The site: pages of about equal size in ten folders, text in TCVN3.
"$gen" "$mb" 5 | "$tsconv" -f utf-8 -t tcvn3 > "$work/text.tcvn3"
mkdir -p "$work/chunks" "$work/site"
split -n "l/$pages" -d -a 4 "$work/text.tcvn3" "$work/chunks/c"
i=0
for c in "$work"/chunks/c*; do
  d="$work/site/part$((i % 10))"
  mkdir -p "$d"
  "$html" < "$c" > "$d/page$i.htm"
  i=$((i + 1))
done
rm -rf "$work/chunks" "$work/text.tcvn3"
bytes=$(find "$work/site" -name '*.htm' -printf '%s\n' | awk '{ s += $1 } END { print s }')
find "$work/site" -name '*.htm' -print0 | sort -z | xargs -0 cat > "$work/all.tcvn3"

best() {  # the fastest of three runs of a command, seconds
  local b="" t0 t1 s
  for _ in 1 2 3; do
      [ -n "${prepare:-}" ] && eval "$prepare"
    t0=$EPOCHREALTIME
    "$@" > /dev/null
    t1=$EPOCHREALTIME
    s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')
    if [ -z "$b" ] || awk "BEGIN{exit !($s < $b)}"; then b=$s; fi
  done
  echo "$b"
}

echo "Site: $i pages in 10 folders, $((bytes / 1048576)) MiB of TCVN3 HTML ($(nproc) cores)"
prepare='rm -rf "$work/copy"; cp -r "$work/site" "$work/copy"; sync'
s_web=$(best "$tsweb" --from 15 --to 39 --format "html - utf8" "$work/copy")
prepare=''
prepare='sync'
s_iconv=$(best sh -c "iconv -f TCVN5712-1 -t UTF-8 < '$work/all.tcvn3' > '$work/all.utf8'")
awk -v b="$bytes" -v w="$s_web" -v i="$s_iconv" 'BEGIN {
  printf "  tsweb (html - utf8)         %7.3f s  %7.1f MiB/s\n", w, b / 1048576 / w
  printf "  iconv TCVN5712-1 -> UTF-8   %7.3f s  %7.1f MiB/s\n", i, b / 1048576 / i
  printf "  tsweb / iconv throughput: %.2f\n", i / w }'
converted=$(find "$work/copy" -name '*.htm' | wc -l)
backups=$(find "$work/copy" -name '*.htm.bak' | wc -l)
echo "  pages after the run: $converted converted, $backups backups, $(find "$work/copy" -name '*.tshtm' | wc -l) temporary files"
rm -rf "$work/site" "$work/copy" "$work/all.tcvn3" "$work/all.utf8"

if [ "$bigmb" -gt 0 ]; then
  mkdir -p "$work/big"
  "$gen" "$bigmb" 7 | "$tsconv" -f utf-8 -t tcvn3 | "$html" > "$work/big/page.htm"
  size=$(stat -c %s "$work/big/page.htm")
  /usr/bin/time -f "%e %M" -o "$work/time" "$tsweb" --from 15 --to 39 --format "html - utf8" "$work/big/page.htm" > /dev/null
  read -r s kb < "$work/time"
  awk -v b="$size" -v s="$s" -v k="$kb" 'BEGIN {
    printf "One page of %.0f MiB: %.1f s, %.1f MiB/s, peak memory %.1f MiB\n", b / 1048576, s, b / 1048576 / s, k / 1024 }'
fi
