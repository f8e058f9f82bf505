#!/usr/bin/env bash
# tsdata on MariaDB against the server's own UPDATE: a scratch server (mariadb-install-db into
# a temporary folder, mariadbd on its own socket), a table of ROWS TCVN3 values in a latin1
# column, timed converted to UTF-8 by tsdata (the column widened to utf8mb4, then rewritten)
# and, on copies, `UPDATE t SET c = UPPER(c)` and the server widening the column and writing
# the same Unicode values itself.  Prints the times and the ratios.
#   bench/mariadb_bench.sh [BUILD_DIR] [ROWS]
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
rows=${2:-1000000}
tsdata=$build/dbconv/tsdata
[ -x "$tsdata" ] || { echo "missing $tsdata: build the project first" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/ts-mariadb-bench.XXXXXX")
user=$([ "$(id -u)" -eq 0 ] && echo root || id -un)
cleanup() {
  [ -f "$work/pid" ] && kill "$(cat "$work/pid")" 2> /dev/null && sleep 1
  rm -rf "$work"
}
trap cleanup EXIT
mariadb-install-db --no-defaults --datadir="$work/data" --auth-root-authentication-method=normal \
  --skip-test-db --user="$user" > /dev/null
mariadbd --no-defaults --datadir="$work/data" --socket="$work/sock" --skip-networking \
  --pid-file="$work/pid" --log-error="$work/log" --user="$user" \
  --innodb-buffer-pool-size=512M > /dev/null 2>&1 &
for _ in $(seq 100); do
  mariadb --no-defaults --socket="$work/sock" -uroot -e 'SELECT 1' > /dev/null 2>&1 && break
  sleep 0.2
done
sql() { mariadb --no-defaults --socket="$work/sock" -uroot --default-character-set=binary bench -e "$1"; }
mariadb --no-defaults --socket="$work/sock" -uroot -e 'CREATE DATABASE bench'
for t in t u w; do
  sql "CREATE TABLE $t (id INT PRIMARY KEY, c VARCHAR(80) CHARACTER SET latin1) ENGINE=InnoDB;
       INSERT INTO $t SELECT seq, CONCAT(X'5669D674204E616D206CB5206DE974207175E8632067696120', seq)
       FROM seq_1_to_$rows"
done
start=$(date +%s.%N)
sql "UPDATE u SET c = UPPER(c)"
end=$(date +%s.%N)
server=$(echo "$end - $start" | bc)
# The server writing the same Unicode values itself: the column widened, then each value
# replaced by its longer UTF-8 text (what the conversion must do at the least).
start=$(date +%s.%N)
sql "ALTER TABLE w MODIFY c VARCHAR(80) CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
     UPDATE w SET c = CONCAT(_utf8mb4'Việt Nam là một quốc gia ', id)"
end=$(date +%s.%N)
same=$(echo "$end - $start" | bc)
start=$(date +%s.%N)
"$tsdata" -f tcvn3 -t utf8 "mysql://root@localhost/bench?socket=$work/sock" t.c > /dev/null
end=$(date +%s.%N)
ours=$(echo "$end - $start" | bc)
sql "SELECT c FROM t WHERE id = 1"
echo "$rows rows: UPDATE ... SET c = UPPER(c) $server s; the server widening and writing the" \
  "same Unicode values $same s; tsdata TCVN3 to UTF-8 $ours s; ratios $(echo "scale=2; $ours / $server" | bc)" \
  "and $(echo "scale=2; $ours / $same" | bc)"
