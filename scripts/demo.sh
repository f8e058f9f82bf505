#!/usr/bin/env bash
# Sets up, builds tsconv, tsweb and tsdata and converts the bundled samples in examples/ to UTF-8.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=Release -DTS_BUILD_TESTS=OFF -DTS_BUILD_BENCH=OFF > /dev/null
cmake --build build/demo --target tsconv tsweb tsdata -j"$(nproc)" > /dev/null
tsconv=build/demo/tools/tsconv
tsweb=build/demo/webconv/tsweb

show() {  # file code name
  echo "== $1, from $3 to UTF-8:"
  "$tsconv" -f "$2" -t utf-8 "$1"
  echo
}
show examples/sample.tcvn3.txt 15 "TCVN3 - ABC"
show examples/sample.vni.txt 29 "VNI - WIN"
show examples/sample.viscii.txt 25 "VISCII"
show examples/sample.vps.txt 36 "VPSWIN"
show examples/sample.viqr.txt 24 "VIQR"

echo "== TCVN3 to VNI - WIN and back gives the same bytes:"
if "$tsconv" -f tcvn3 -t vni examples/sample.tcvn3.txt | "$tsconv" -f vni -t tcvn3 | cmp -s - examples/sample.tcvn3.txt; then
  echo "identical"
else
  echo "DIFFERENT" && exit 1
fi
echo
echo "== The first line as HTML references and C escapes:"
head -1 examples/sample.tcvn3.txt | "$tsconv" -f tcvn3 -t ncr
head -1 examples/sample.tcvn3.txt | "$tsconv" -f tcvn3 -t 43

echo
echo "== The sample site converted in place by tsweb (a copy of examples/site):"
site=$(mktemp -d "${TMPDIR:-/tmp}/ts-demo-site.XXXXXX")
cp -r examples/site/. "$site"
"$tsweb" --from tcvn3 --to 39 "$site/tcvn3"
"$tsweb" --from vni --to 39 "$site/vni"
echo
echo "-- files (each page keeps its original as .bak):"
(cd "$site" && find . -type f | sort)
echo
echo "-- tcvn3/index.htm, now UTF-8:"
cat "$site/tcvn3/index.htm"
echo "(the converted copy is in $site)"

echo
echo "== A copy of the example database converted by tsdata:"
tsdata=build/demo/dbconv/tsdata
db="$site/legacy.db"
cp examples/db/legacy.db "$db"
"$tsdata" --list "$db"
echo
"$tsdata" --detect "$db" "khách hàng" "sản phẩm [vni]"
echo
"$tsdata" -f tcvn3 -t utf8 --dry-run=2 "$db" "khách hàng.họ tên"
echo
"$tsdata" -f tcvn3 -t utf8 --backup "$db" "khách hàng"
"$tsdata" -f vni -t utf8 "$db" "sản phẩm [vni]"
echo
echo "-- now UTF-8:"
sqlite3 -header -column "$db" 'SELECT * FROM "khách hàng"; SELECT * FROM "sản phẩm [vni]";' 2>/dev/null ||
  echo "(install the sqlite3 shell to see the rows)"
echo
echo "-- a second run is refused (exit status 2):"
"$tsdata" -f tcvn3 -t utf8 "$db" "khách hàng" || echo "exit status $?"
