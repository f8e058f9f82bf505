// The SQLite back end: a database file, where the desktop databases of Windows were Access files.
#pragma once

#include <memory>
#include <string>

#include "ts/db/backend.hpp"

struct sqlite3;

namespace ts::db {

struct SqliteColumnRun;
struct RowKey;

class SqliteBackend final : public Backend {
 public:
  // Opens an existing SQLite file (never creates one); DbError names the path and the reason.
  static std::unique_ptr<SqliteBackend> open(const std::string& path, bool readOnly);
  ~SqliteBackend() override;
  void setLockTimeout(int milliseconds) override;

  Capabilities capabilities() const override {
    Capabilities c;
    c.file = true;
    c.afterFailure = Capabilities::AfterFailure::kSkipTable;
    c.marks = Propagation::kFromItem;
    c.deletes = true;
    return c;
  }
  std::string name() const override;
  bool readOnly() const override { return readOnly_; }
  void fillSchema(SchemaTree& tree) override;
  std::vector<TableInfo> tables(bool countRows) override;
  bool convertible(const ColumnRef& column) override;
  ColumnReport convertColumn(const ColumnRef& column, ValueConverter& converter,
                             RunObserver& observer) override;
  void readColumn(const ColumnRef& column,
                  const std::function<bool(const StoredValue&)>& visit) override;
  TableData tableData(const std::string& table, std::size_t maxRows) override;
  PropertyTable properties(const SchemaTree& tree, int item) override;
  bool deleteObject(const SchemaTree& tree, int item) override;
  std::string backup() override;

  sqlite3* handle() const { return db_; }

 private:
  SqliteBackend(sqlite3* db, std::string path, bool readOnly);
  struct Table;
  Table describe(const std::string& table);
  RowKey rowKey(const Table& table);
  // The key of the n-th text value of a column without rowid, in the table's order.
  std::string nthTextKey(const std::string& table, const std::string& column, const RowKey& key,
                         std::uint64_t n);
  std::vector<std::string> tableRow(const std::string& table);

  sqlite3* db_;
  std::string path_;
  bool readOnly_;
  SqliteColumnRun* run_ = nullptr;  // the column being converted
};

}  // namespace ts::db
