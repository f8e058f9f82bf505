#!/usr/bin/env bash
# Side-by-side speed of tsconv and other converters on the same generated text.
#   bench/compare.sh [BUILD_DIR] [MEGABYTES]
# Prints, for each case, the best of three runs: seconds, throughput of the input, peak
# memory, and whether the outputs are identical.
set -euo pipefail
build=${1:-build}
mb=${2:-64}
tsconv=$build/tools/tsconv
gen=$build/bench/gen_text
for tool in "$tsconv" "$gen"; do
  [ -x "$tool" ] || { echo "missing $tool: build the project first" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time (Debian package time)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/ts-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$gen" "$mb" > "$work/text.utf8"
iconv -f UTF-8 -t VISCII "$work/text.utf8" > "$work/text.viscii"
"$tsconv" -f utf-8 -t vni "$work/text.utf8" > "$work/text.vni"

# SECONDS (mean of several runs with hyperfine, else the best of three) and peak KB of a
# command reading INPUT on standard input and writing to $work/out.$tag
measure() {
  local tag=$1 input=$2; shift 2
  local cmd s m t0 t1
  cmd=$(printf '%q ' "$@")
  /usr/bin/time -f "%M" -o "$work/time" "$@" < "$input" > "$work/out.$tag"
  read -r m < "$work/time"
  if command -v hyperfine >/dev/null; then
    hyperfine -N -w 1 -r 7 --export-json "$work/h.json" --style none \
      "sh -c '$cmd < \"$input\" > \"$work/out.$tag\"'" > /dev/null 2>&1 ||
      hyperfine -w 1 -r 7 --export-json "$work/h.json" --style none \
        "$cmd < '$input' > '$work/out.$tag'" > /dev/null
    s=$(python3 -c 'import json,sys; print("%.4f" % json.load(open(sys.argv[1]))["results"][0]["mean"])' "$work/h.json")
  else
    s=""
    for _ in 1 2 3; do
      t0=$EPOCHREALTIME
      "$@" < "$input" > "$work/out.$tag"
      t1=$EPOCHREALTIME
      s=$(awk -v a="$t0" -v b="$t1" -v best="$s" 'BEGIN { d = b - a; if (best == "" || d < best) best = d; printf "%.4f", best }')
    done
  fi
  echo "$s $m"
}

row() {  # name input-file seconds kb
  local size
  size=$(stat -c %s "$2")
  awk -v n="$1" -v b="$size" -v s="$3" -v k="$4" 'BEGIN {
    t = (s > 0) ? b / 1048576 / s : 0
    printf "  %-34s %7.3f s %9.1f MiB/s %8.1f MiB peak\n", n, s, t, k / 1024 }'
}

compare() {  # title input tsconv-args -- other-command...
  local title=$1 input=$2; shift 2
  local ts=() ; while [ "$1" != "--" ]; do ts+=("$1"); shift; done; shift
  echo "$title  (input $(( $(stat -c %s "$input") / 1048576 )) MiB)"
  read -r s1 m1 < <(measure ts "$input" "$tsconv" "${ts[@]}")
  read -r s2 m2 < <(measure other "$input" "$@")
  row "tsconv ${ts[*]}" "$input" "$s1" "$m1"
  row "$*" "$input" "$s2" "$m2"
  awk -v a="$s1" -v b="$s2" 'BEGIN { if (a > 0) printf "  speed ratio tsconv/other: %.2f\n", b / a }'
  if cmp -s "$work/out.ts" "$work/out.other"; then echo "  outputs identical"
  else echo "  outputs differ ($(cmp "$work/out.ts" "$work/out.other" 2>&1 | head -1))"; fi
}

echo "Generated text: $mb MiB of UTF-8, $(nproc) cores, $(uname -m)"
compare "VISCII (25) to UTF-8 (41)" "$work/text.viscii" -f 25 -t 41 -- iconv -f VISCII -t UTF-8
echo "(TCVN5712-1 is the full TCVN charset with capital codes; TCVN3 writes capitals with the"
echo " lower-case bytes, so the outputs differ wherever the text has a capital letter.)"
compare "UTF-8 (41) to TCVN3 (15)" "$work/text.utf8" -f 41 -t 15 -- iconv -f UTF-8 -t TCVN5712-1
"$tsconv" -f utf-8 -t tcvn3 "$work/text.utf8" | "$build/bench/gen_html" > "$work/page.html"
echo "HTML page, TCVN3 (15) to VNI - WIN (29) with --html  (input $(( $(stat -c %s "$work/page.html") / 1048576 )) MiB)"
read -r s1 m1 < <(measure html "$work/page.html" "$tsconv" -f 15 -t 29 --html)
row "tsconv -f 15 -t 29 --html" "$work/page.html" "$s1" "$m1"
read -r s1 m1 < <(measure html "$work/page.html" "$tsconv" -f 15 -t 41 --html)
row "tsconv -f 15 -t 41 --html" "$work/page.html" "$s1" "$m1"
if command -v recode >/dev/null; then
  compare "VNI - WIN (29) to UTF-8 (41)" "$work/text.vni" -f 29 -t 41 -- recode VNI..UTF-8
else
  echo "recode is not installed: VNI - WIN case skipped"
fi
