// Side by side on a PostgreSQL server of the benchmark's own (a scratch cluster, SQL_ASCII):
// the server rewriting every value of a column with upper(), and tsdata's conversion of a copy
// of the same column from TCVN3 to UTF-8, through libpq (client side) and through the tessaro
// extension (inside the server).
//   pg_bench [ROWS] [ROUNDS]   (default 1000000 rows, 3 rounds)
// Each round makes the three tables afresh from one source table and times the three
// updates, in a rotating order; it prints the times of each round, the median ratios and the
// peak resident memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "timing.hpp"
#include "ts/db/conversion.hpp"
#include "ts/db/postgres.hpp"
#include "ts/testing/postgres.hpp"

int main(int argc, char** argv) {
  using ts::bench::peakKiB;
  using ts::bench::seconds;
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  ts::testing::ScratchPostgres server;
  server.createDatabase("bench", "SQL_ASCII");
  // The extension's functions from the built module, as its script makes them.
  const std::filesystem::path so = server.folder() / "tessaro.so";
  std::filesystem::copy_file(TS_PG_EXTENSION, so);
  server.psql("bench", "CREATE SCHEMA ext; CREATE FUNCTION ext.ts_convert(text, text, text) "
                       "RETURNS text AS '" + so.string() + "', 'ts_convert_text' LANGUAGE C "
                       "IMMUTABLE STRICT PARALLEL SAFE");
  // About 60 bytes of TCVN3 per value, every value different.
  server.psql("bench",
              "CREATE TABLE source AS SELECT g AS id, 'Nguy' || chr(212) || 'n V' || chr(168) ||"
              " 'n ' || g || ', ph' || chr(232) || ' H' || chr(181) || 'ng B' || chr(185) ||"
              " 'c, H' || chr(181) || ' N' || chr(233) || 'i, Vi' || chr(214) || 't Nam' AS c"
              " FROM generate_series(1, " + std::to_string(rows) + ") g");
  const std::string conninfo = "host=127.0.0.1 port=" + std::to_string(server.port()) +
                               " user=postgres dbname=bench";
  // The client path on a connection that does not see the extension; the server path on one
  // that does.
  auto client = ts::db::connectPostgres(conninfo);
  auto inServer = ts::db::connectPostgres(conninfo + " options='-c search_path=public,ext'");
  auto upper = ts::db::connectPostgres(conninfo);
  std::vector<double> clientRatios, serverRatios;
  for (int round = 0; round < rounds; ++round) {
    for (const std::string t : {"a", "b", "c"}) {
      server.psql("bench", "DROP TABLE IF EXISTS " + t + "; CREATE TABLE " + t +
                               " (id integer PRIMARY KEY, c varchar(200)); INSERT INTO " + t +
                               " SELECT * FROM source");
      server.psql("bench", "VACUUM ANALYZE " + t);
    }
    double times[3] = {};
    auto convert = [&](ts::db::Backend& b, const char* table, double& took) {
      ts::db::SchemaTree tree;
      b.fillSchema(tree);
      ts::db::ValueConverter converter(15, 41);
      ts::db::RunObserver quiet;
      const auto t0 = std::chrono::steady_clock::now();
      const ts::db::ColumnReport r = b.convertColumn({table, "c"}, converter, quiet);
      took = seconds(t0);
      if (r.failed || r.converted != static_cast<std::uint64_t>(rows)) {
        std::fprintf(stderr, "pg_bench: conversion failed: %s\n", r.error.c_str());
        std::exit(1);
      }
    };
    auto timeUpper = [&] {
      const auto t0 = std::chrono::steady_clock::now();
      server.psql("bench", "UPDATE a SET c = upper(c)");
      times[0] = seconds(t0);
    };
    const std::function<void()> steps[] = {timeUpper, [&] { convert(*client, "b", times[1]); },
                                           [&] { convert(*inServer, "c", times[2]); }};
    for (int i = 0; i < 3; ++i) steps[(round + i) % 3]();
    clientRatios.push_back(times[1] / times[0]);
    serverRatios.push_back(times[2] / times[0]);
    std::printf("round %d: upper() %.2f s, tsdata client %.2f s (%.2f), in the server %.2f s "
                "(%.2f)\n",
                round + 1, times[0], times[1], times[1] / times[0], times[2],
                times[2] / times[0]);
    std::fflush(stdout);
  }
  std::sort(clientRatios.begin(), clientRatios.end());
  std::sort(serverRatios.begin(), serverRatios.end());
  std::printf("%ld rows: median ratio client %.2f, in the server %.2f; peak memory %ld MiB\n",
              rows, clientRatios[clientRatios.size() / 2], serverRatios[serverRatios.size() / 2],
              peakKiB() / 1024);
}
