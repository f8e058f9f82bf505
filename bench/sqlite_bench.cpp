// Side by side on one SQLite file: SQLite rewriting every value of a column with its own
// upper(), and tsdata's conversion of a copy of the same column from TCVN3 to UTF-8.
//   sqlite_bench [ROWS] [ROUNDS] [FOLDER]   (default 1000000 rows, 5 rounds, in $TMPDIR)
// Each round makes both tables afresh from one source table and times the two updates, in
// turn first; it prints the times of each round, the median ratio and the peak resident
// memory.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ts/db/backend.hpp"
#include "timing.hpp"
#include "ts/db/conversion.hpp"

namespace {

using ts::bench::peakKiB;
using ts::bench::seconds;

void exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite_bench: %s\n", error);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::filesystem::path folder =
      argc > 3 ? std::filesystem::path(argv[3]) : std::filesystem::temp_directory_path();
  const std::string path =
      (folder / ("ts-sqlite-bench-" + std::to_string(getpid()) + ".db")).string();
  std::filesystem::remove(path);

  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  // Values of about 60 bytes of TCVN3 text, each a little different.
  exec(db,
       "CREATE TABLE source (id INTEGER PRIMARY KEY, c TEXT);"
       "BEGIN;"
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(rows) +
           ") INSERT INTO source SELECT i, 'Ng\xCB' || 'n h\xB5ng s\xE8 ' || i || ' \xAE\xE3 "
           "l\xB5 m\xE9t d\xE2ng v\xB8n b\xB6n ti\xD5ng Vi\xD6t c\xE3 d\xCAu' FROM n;"
           "COMMIT;");
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT avg(length(CAST(c AS BLOB))) FROM source", -1, &s, nullptr);
  sqlite3_step(s);
  const double average = sqlite3_column_double(s, 0);
  sqlite3_finalize(s);
  std::printf("rows %ld, %.1f bytes a value\n", rows, average);
  const long before = peakKiB();

  const auto backend = ts::db::openSource(path, false);
  ts::db::ValueConverter converter(15, 41);
  ts::db::RunObserver observer;
  std::vector<double> ratios;
  int growth = 0;
  for (int round = 0; round < rounds; ++round) {
    exec(db,
         "DROP TABLE IF EXISTS t; DROP TABLE IF EXISTS copy;"
         "CREATE TABLE t (id INTEGER PRIMARY KEY, c TEXT);"
         "CREATE TABLE copy (id INTEGER PRIMARY KEY, c TEXT);"
         "DROP TABLE IF EXISTS grown; CREATE TABLE grown (id INTEGER PRIMARY KEY, c TEXT);"
         "BEGIN; INSERT INTO t SELECT * FROM source; INSERT INTO copy SELECT * FROM source;"
         "INSERT INTO grown SELECT * FROM source; COMMIT;");
    double upper = 0, ours = 0;
    for (int turn = 0; turn < 2; ++turn) {
      const auto start = std::chrono::steady_clock::now();
      if ((turn + round) % 2 == 0) {
        exec(db, "BEGIN IMMEDIATE; UPDATE copy SET c = upper(c); COMMIT;");
        upper = seconds(start);
      } else {
        const ts::db::ColumnReport r = backend->convertColumn({"t", "c"}, converter, observer);
        ours = seconds(start);
        if (r.failed || r.converted != static_cast<std::uint64_t>(rows)) {
          std::fprintf(stderr, "sqlite_bench: the conversion failed: %s\n", r.error.c_str());
          return 1;
        }
      }
    }
    // SQLite's own rewrite when each value grows by as many bytes as UTF-8 adds to it.
    if (round == 0) {
      sqlite3_prepare_v2(db, "SELECT avg(length(CAST(c AS BLOB))) FROM t", -1, &s, nullptr);
      sqlite3_step(s);
      growth = static_cast<int>(sqlite3_column_double(s, 0) - average + 0.5);
      sqlite3_finalize(s);
    }
    const auto start = std::chrono::steady_clock::now();
    exec(db, "BEGIN IMMEDIATE; UPDATE grown SET c = upper(c) || substr('" +
                 std::string(static_cast<std::size_t>(growth), 'x') + "', 1, " +
                 std::to_string(growth) + "); COMMIT;");
    const double grown = seconds(start);
    ratios.push_back(ours / upper);
    std::printf(
        "round %d: upper(c) %.3f s, tsdata TCVN3 -> UTF-8 %.3f s (%.2f times); "
        "upper(c) || %d bytes %.3f s\n",
        round + 1, upper, ours, ours / upper, growth, grown);
  }
  sqlite3_close(db);
  std::sort(ratios.begin(), ratios.end());
  std::printf("median: %.2f times as long as upper()\n", ratios[ratios.size() / 2]);
  std::printf("peak resident memory %ld KiB (%ld KiB before the updates)\n", peakKiB(), before);
  std::filesystem::remove(path);
  return 0;
}
