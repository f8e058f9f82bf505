// The PostgreSQL back end, through libpq: a database of a server, shown as the window shows ADO data
// sources.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ts/db/backend.hpp"

struct pg_conn;
struct pg_cancel;

namespace ts::db {

class PgBackend final : public Backend {
 public:
  // Connects with a libpq connection string: a URI ("postgresql://...") or keywords
  // ("host=... dbname=..."); libpq's own settings (PG* variables, ~/.pgpass, services) apply.
  static std::unique_ptr<PgBackend> connect(const std::string& conninfo);
  ~PgBackend() override;

  Capabilities capabilities() const override {
    Capabilities c;
    return c;
  }
  std::string name() const override { return name_; }
  bool readOnly() const override { return false; }
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
  std::vector<std::string> partsOf(const std::string& table) override;
  ValueLimit valueLimit(const ColumnRef& ref) override;
  void setLockTimeout(int milliseconds) override;
  void allowPartitionMoves(bool allow) override { partitionMoves_ = allow; }
  void convertJsonKeys(bool convert) override { jsonKeys_ = convert; }
  void refreshViews(bool refresh) override { refreshViews_ = refresh; }

  // What the connection reached ("libpq 15.18", the server's version string).
  std::string providerName() const { return provider_; }
  std::string dbmsName() const { return dbms_; }
  // Whether text is stored one byte a character (SQL_ASCII, LATIN1, WIN1258, ...); in a
  // UTF8 database text columns are wide.
  bool singleByte() const { return singleByte_; }
  // Whether the database has the tessaro extension's ts_convert() on the search path: plain
  // conversions of single-byte text then run inside the server.
  bool hasExtension() const { return extension_; }

  struct Table {
    unsigned oid = 0;
    std::string schema, name, description;
    char kind = 'r';
    bool view = false;
  };
  struct Column {
    std::string name, type, description;
    unsigned baseType = 0;
    int size = -1;  // characters, where the type has a length
    bool notNull = false, generated = false;
    bool text = false;  // text, varchar, char(n), citext, or an array of them, or JSON
    ValueShape shape = ValueShape::kScalar;
  };

 private:
  explicit PgBackend(pg_conn* c);
  void refreshNames();
  const Table& table(const std::string& name);
  std::vector<Column> columns(const Table& t);
  const Column& column(const ColumnRef& ref);
  std::string qualified(const Table& t) const;
  // The rows a conversion of the table reads and writes: ONLY an ordinary table's own.
  std::string ownRows(const Table& t) const;
  // The tables a catalogue query of a table's oid gives (oid, schema.name), as the tree
  // names them.
  // `column`, when given, is the query's second parameter.
  std::vector<std::string> related(const Table& t, const char* query,
                                   const std::string& column = {});
  // Says in the report which child tables of an ordinary table were left.
  void noteChildren(const Table& t, ColumnReport& report);
  std::vector<std::string> primaryKey(const Table& t);
  // The row's key as a query expression that gives its text ("id = 5"), and the key columns
  // (empty: the table is addressed by ctid).
  std::string keyText(const std::vector<std::string>& key) const;
  ColumnReport convertInServer(const Table& t, const Column& c, ValueConverter& converter);
  // Names in the report the materialized views that read the column (refreshed when asked).
  void noteViews(const Table& t, const Column& column, ColumnReport& report);
  // A column's values as the conversion reads them: arrays and JSON as their text.
  static std::string readAs(const Column& c);

  pg_conn* conn_;
  pg_cancel* cancel_ = nullptr;  // what interruptStatements() sends the server
  int lockTimeout_ = 0;          // milliseconds; 0: the server's setting
  bool partitionMoves_ = false, jsonKeys_ = false, refreshViews_ = false;
  std::string name_, provider_, dbms_, encoding_;
  bool singleByte_ = true, extension_ = false;
  std::map<std::string, Table> tables_;  // by the name the tree shows
  std::vector<std::string> order_;
  std::map<std::string, std::vector<Column>> columns_;
  bool named_ = false;
};

// "%s\nState: %s, Native: %d, Source: %s" of a server error.
std::string pgErrorText(const std::string& message, const std::string& state);

}  // namespace ts::db
