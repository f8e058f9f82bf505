// The ODBC back end: any data source the unixODBC driver manager reaches.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ts/db/backend.hpp"
#include "ts/db/odbc.hpp"

namespace ts::db {

struct OdbcHandles;

class OdbcBackend final : public Backend {
 public:
  // Connects with a connection string ("DSN=...;UID=...;PWD=..." or "DRIVER=...;..."), never
  // prompting; DbError carries the driver's diagnostics.  `cursorLibrary` asks the driver
  // manager for its cursor library.
  static std::unique_ptr<OdbcBackend> connect(const std::string& connectionString,
                                              bool cursorLibrary = false);
  ~OdbcBackend() override;

  Capabilities capabilities() const override {
    Capabilities c;
    c.afterFailure = Capabilities::AfterFailure::kEndRun;
    return c;
  }
  std::string name() const override { return name_; }
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
  bool deleteObject(const SchemaTree&, int) override { return false; }
  ValueLimit valueLimit(const ColumnRef& column) override;

  // Guards rewrites by serializable isolation and a check of each row against the value read,
  // as for databases whose own lock is not known, whatever this one is.
  void checkRowsByValue() { rowCheck_ = true; }

  // The database system's name as the driver reports it ("PostgreSQL", "SQLite").
  std::string dbmsName() const { return dbms_; }
  // A name quoted with the driver's identifier quote, doubled inside.
  std::string quote(const std::string& name) const;

  // A table as the catalog names it.
  struct TableId {
    std::string catalog, schema, name, type;
    bool hasCatalog = false, hasSchema = false;
    bool view = false;
    std::string remarks;
  };
  struct Column {
    std::string name, typeName;
    int dataType = 0;
    long long size = 0, length = 0;
    int scale = 0, radix = 0, nullable = 2;
    bool hasScale = false, hasRadix = false;
  };

 private:
  void readValues(const ColumnRef& ref, const std::function<bool(const StoredValue&)>& visit);
  explicit OdbcBackend(std::unique_ptr<OdbcHandles> h);
  std::vector<TableId> catalogTables(const char* type);
  std::vector<Column> catalogColumns(const TableId& table);
  // The table a tree name stands for (a schema-qualified name where a name repeats).
  const TableId& table(const std::string& name);
  const Column& column(const ColumnRef& ref);
  std::string qualified(const TableId& t) const;
  // The rows a conversion reads and writes (PostgreSQL: ONLY an ordinary table's own).
  std::string ownRows(const TableId& t);
  // The columns that address a row: the primary key, else the best row identifier.
  std::vector<Column> rowKey(const TableId& t);
  void refreshNames();

  std::unique_ptr<OdbcHandles> h_;
  std::string name_, dbms_, quote_ = "\"", escape_;
  bool readOnly_ = false;
  bool rowCheck_ = false;
  std::map<std::string, TableId> tables_;  // by the name the tree shows
  std::vector<std::string> order_;         // those names in the catalog's order
  std::map<std::string, std::vector<Column>> columns_;
  bool named_ = false;
};

}  // namespace ts::db
