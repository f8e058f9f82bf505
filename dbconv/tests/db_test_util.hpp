// SQLite files for the tests: made from SQL, read back as rows.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/db/backend.hpp"
#include "ts/testing/scratch.hpp"

namespace ts::db::testing {

inline void execSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << "\n" << sql;
  sqlite3_free(error);
  sqlite3_close(db);
}

// The rows of a query, each value as "NULL", a number or its bytes (text and blobs).
inline std::vector<std::vector<std::string>> query(const std::string& path,
                                                   const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  while (s != nullptr && sqlite3_step(s) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(s); ++i) {
      if (sqlite3_column_type(s, i) == SQLITE_NULL) {
        row.emplace_back("NULL");
        continue;
      }
      const auto* p = static_cast<const char*>(sqlite3_column_blob(s, i));
      row.emplace_back(
          p == nullptr ? "" : std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s, i))));
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return rows;
}

// Bytes converted by the engine, and UTF-8 text as TCVN3 bytes.
inline std::string convertBytes(const std::string& bytes, int from, int to) {
  ConverterState s;
  selectPair(s, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
  return convert(s, bytes);
}
inline std::string tcvn3(const std::string& utf8) { return convertBytes(utf8, kUtf8, kTcvn3); }

// Bytes in capital hexadecimal digits, as SQL's X'...' and HEX() write them.
inline std::string hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    out += digits[static_cast<unsigned char>(c) >> 4];
    out += digits[static_cast<unsigned char>(c) & 15];
  }
  return out;
}

inline std::string quoteText(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("''") : std::string(1, c);
  return q + "'";
}

// A run's observer that, once the run has read some records, lets another session write
// (`write`, on a thread of its own) and waits up to `patience` for it: a writer the run's
// lock holds back finishes after the run, one it does not hold back finishes at once and
// the run goes on as if it had not been there.
class ConcurrentWriter : public RunObserver {
 public:
  ConcurrentWriter(std::function<void()> write, std::uint64_t afterRecords,
                   std::chrono::milliseconds patience = std::chrono::milliseconds(1500))
      : write_(std::move(write)), after_(afterRecords), patience_(patience) {}
  ~ConcurrentWriter() override { finish(); }
  void step(std::uint64_t done, std::uint64_t) override {
    if (started_ || done < after_) return;
    started_ = true;
    writer_ = std::async(std::launch::async, write_);
    writtenDuringRun_ = writer_.wait_for(patience_) == std::future_status::ready;
  }
  // Waits for the writer; whether it had written before the run went on.
  bool finish() {
    if (writer_.valid()) writer_.get();
    return writtenDuringRun_;
  }
  bool started() const { return started_; }

 private:
  std::function<void()> write_;
  std::uint64_t after_;
  std::chrono::milliseconds patience_;
  bool started_ = false, writtenDuringRun_ = false;
  std::future<void> writer_;
};

}  // namespace ts::db::testing
