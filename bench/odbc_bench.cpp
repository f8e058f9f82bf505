// Side by side through psqlODBC on a PostgreSQL server of the benchmark's own (a scratch
// cluster, SQL_ASCII): the server rewriting every value of a column with upper(), sent as one
// statement through the driver, and tsdata's conversion of a copy of the same column from
// TCVN3 to UTF-8 through the same driver.
//   odbc_bench [ROWS] [ROUNDS]   (default 1000000 rows, 3 rounds)
// Each round makes both tables afresh from one source table and times the two updates, in
// turn first; it prints the times of each round, the median ratio and the peak resident
// memory.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "timing.hpp"
#include "ts/db/conversion.hpp"
#include "ts/db/odbc.hpp"
#include "ts/testing/postgres.hpp"

namespace {

using ts::bench::peakKiB;
using ts::bench::seconds;

// One statement through the driver, as an application would send it.
class Direct {
 public:
  explicit Direct(const std::string& connection) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    std::string c = connection;
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(c.data()),
                                        SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
      std::fprintf(stderr, "odbc_bench: cannot connect\n");
      std::exit(1);
    }
  }
  ~Direct() {
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  void exec(std::string sql) {
    SQLHSTMT s = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &s);
    const SQLRETURN rc = SQLExecDirect(s, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS);
    SQLFreeHandle(SQL_HANDLE_STMT, s);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
      std::fprintf(stderr, "odbc_bench: failed: %s\n", sql.c_str());
      std::exit(1);
    }
  }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
};

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  ts::testing::ScratchPostgres server;
  server.createDatabase("bench", "SQL_ASCII");
  // About 60 bytes of TCVN3 per value, every value different.
  server.psql("bench",
              "CREATE TABLE source AS SELECT g AS id, 'Nguy' || chr(212) || 'n V' || chr(168) ||"
              " 'n ' || g || ', ph' || chr(232) || ' H' || chr(181) || 'ng B' || chr(185) ||"
              " 'c, H' || chr(181) || ' N' || chr(233) || 'i, Vi' || chr(214) || 't Nam' AS c"
              " FROM generate_series(1, " + std::to_string(rows) + ") g");
  const std::string connection = "DRIVER={PostgreSQL ANSI};SERVER=127.0.0.1;PORT=" +
                                 std::to_string(server.port()) +
                                 ";DATABASE=bench;UID=postgres;PWD=;"
                                 "ConnSettings={SET client_encoding TO 'SQL_ASCII'}";
  Direct direct(connection);
  auto backend = ts::db::connectOdbc(connection);
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    for (const std::string t : {"a", "b"}) {
      server.psql("bench", "DROP TABLE IF EXISTS " + t + "; CREATE TABLE " + t +
                               " (id integer PRIMARY KEY, c varchar(200)); INSERT INTO " + t +
                               " SELECT * FROM source");
      server.psql("bench", "VACUUM ANALYZE " + t);
    }
    double upper = 0, convert = 0;
    auto timeUpper = [&] {
      const auto t0 = std::chrono::steady_clock::now();
      direct.exec("UPDATE a SET c = upper(c)");
      upper = seconds(t0);
    };
    auto timeConvert = [&] {
      ts::db::SchemaTree tree;
      backend->fillSchema(tree);
      ts::db::ValueConverter converter(15, 41);
      ts::db::RunObserver quiet;
      const auto t0 = std::chrono::steady_clock::now();
      const ts::db::ColumnReport r = backend->convertColumn({"b", "c"}, converter, quiet);
      convert = seconds(t0);
      if (r.failed || r.converted != static_cast<std::uint64_t>(rows)) {
        std::fprintf(stderr, "odbc_bench: conversion failed: %s\n", r.error.c_str());
        std::exit(1);
      }
    };
    if (round % 2 == 0) {
      timeUpper();
      timeConvert();
    } else {
      timeConvert();
      timeUpper();
    }
    ratios.push_back(convert / upper);
    std::printf("round %d: upper() %.2f s, tsdata %.2f s, ratio %.2f\n", round + 1, upper, convert,
                convert / upper);
    std::fflush(stdout);
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("%ld rows: median ratio %.2f; peak memory %ld MiB\n", rows,
              ratios[ratios.size() / 2], peakKiB() / 1024);
}
