#include "sqlite_backend.hpp"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "file_copies.hpp"
#include "sql_names.hpp"
#include "ts/byte_buffer.hpp"
#include "ts/db/conversion.hpp"
#include "ts/platform/files.hpp"
#include "ts/platform/messages.hpp"

namespace ts::db {

using ts::platform::formatted;
using ts::platform::tr;

namespace {

namespace fs = std::filesystem;

// A prepared statement that finalizes itself.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK)
      throw DbError(sqlite3_errmsg(db), sqlite3_extended_errcode(db), {},
                    DbError::Codes::kSqlite);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int i, const std::string& text) {
    sqlite3_bind_text64(stmt_, i, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
  }
  // true while there is a row.
  bool step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw DbError(sqlite3_errmsg(db_), sqlite3_extended_errcode(db_), {},
                  DbError::Codes::kSqlite);
  }
  std::string text(int i) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
    return p == nullptr ? std::string()
                        : std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)));
  }
  std::int64_t integer(int i) const { return sqlite3_column_int64(stmt_, i); }
  bool isNull(int i) const { return sqlite3_column_type(stmt_, i) == SQLITE_NULL; }
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

void exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string why = error != nullptr ? error : sqlite3_errmsg(db);
    sqlite3_free(error);
    throw DbError(why, sqlite3_extended_errcode(db), {}, DbError::Codes::kSqlite);
  }
}

std::string upperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool sameName(const std::string& a, const std::string& b) {
  return upperAscii(a) == upperAscii(b);  // SQLite compares names without ASCII case
}

// The column's type as the window names types: Text (10) with a size, Memo (12) without,
// for declared types of text affinity; 0 for the others.
struct TextType {
  int daoType = 0;
  std::string size;
};
TextType textType(const std::string& declared) {
  const std::string t = upperAscii(declared);
  if (t.find("INT") != std::string::npos) return {};
  if (t.find("CHAR") == std::string::npos && t.find("CLOB") == std::string::npos &&
      t.find("TEXT") == std::string::npos)
    return {};
  const auto open = t.find('(');
  if (open != std::string::npos) {
    std::string digits;
    for (std::size_t i = open + 1; i < t.size() && t[i] != ')' && t[i] != ','; ++i)
      if (t[i] != ' ') digits.push_back(t[i]);
    if (!digits.empty() &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return {10, digits};
  }
  return {12, ""};
}

const char* flag(bool b) { return b ? "TRUE" : "FALSE"; }

// The display text of a value for the data preview.
std::string valueText(sqlite3_stmt* s, int i) {
  switch (sqlite3_column_type(s, i)) {
    case SQLITE_NULL: return "NULL";
    case SQLITE_INTEGER: return std::to_string(sqlite3_column_int64(s, i));
    case SQLITE_FLOAT: {
      char text[64];
      std::snprintf(text, sizeof text, "%e", sqlite3_column_double(s, i));
      return text;
    }
    case SQLITE_BLOB: return "(BLOB, " + std::to_string(sqlite3_column_bytes(s, i)) + " bytes)";
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
      const int n = sqlite3_column_bytes(s, i);
      return n == 0 ? "NULL" : std::string(p, static_cast<std::size_t>(n));
    }
  }
}

struct SqlColumn {
  std::string name, type, defaultValue;
  bool notNull = false;
  int pk = 0;
  int hidden = 0;  // 1 hidden column of a virtual table, 2 and 3 generated
};

struct ForeignKey {
  std::string child, parent, onUpdate, onDelete;
  std::vector<std::string> from, to;
  std::string text() const {
    auto list = [](const std::vector<std::string>& v) {
      std::string s;
      for (const auto& n : v) s += (s.empty() ? "" : ", ") + n;
      return v.size() == 1 ? "." + s : "(" + s + ")";
    };
    return child + list(from) + " -> " + parent + list(to);
  }
};

const std::vector<std::string> kDatabaseNames{"Name",          "Updatable",       "Transactions",
                                              "Version",       "Collating Order", "Query Timeout",
                                              "Connect String"};
const std::vector<std::string> kTableNames{
    "Name",    "Updatable",       "Date Created",    "Last Updated", "Source Table",
    "Connect", "Validation Rule", "Validation Text", "Record Count"};
const std::vector<std::string> kRelationNames{"Name", "Table", "Foreign ", "Attributes"};
const std::vector<std::string> kIndexNames{"Name",   "Fields",   "Primary", "Unique",  "Clustered",
                                           "Ignore", "Required", "Foreign", "Distinct"};
const std::vector<std::string> kQueryNames{"Name",         "Type",      "Date Created",
                                           "Last Updated", "Updatable", "Returns Records",
                                           "SQL",          "Connect",   "ODBC Timeout"};
const std::vector<std::string> kFieldNames{"Name",
                                           "Type",
                                           "Size",
                                           "Required",
                                           "Allow Zero Length",
                                           "Collating Order",
                                           "Foreign Name",
                                           "Validation Rule",
                                           "Validation Text",
                                           "Default Value"};

PropertyTable propertyLayout(const std::vector<std::string>& names,
                             const std::vector<std::string>& values) {
  return PropertyTable::ofProperties(names, values);
}

}  // namespace

// The conversion of one column, as the two SQL functions of its update see it: one that
// passes every record (it counts them, steps the progress bar and lets only text through),
// one that rewrites each text value.
// The column's pass through the update: the counts, progress and stop as every back end
// keeps them (ColumnPass), and where the update is.
struct SqliteColumnRun {
  SqliteColumnRun(ValueConverter& c, RunObserver& o, ColumnReport& r, std::uint64_t expected)
      : pass(c, o, r, expected, ColumnPass::Storage::kBytes), report(r) {}
  ColumnPass pass;
  ColumnReport& report;
  std::int64_t lastRowid = 0;  // a table with rowid: the row being rewritten
  std::uint64_t values = 0;    // text values the update has reached
  bool stopped = false;
};

namespace {

std::string keyText(const std::vector<std::string>& names, int n, sqlite3_value** values) {
  std::string left, right;
  for (int i = 0; i < n; ++i) {
    std::string v;
    switch (sqlite3_value_type(values[i])) {
      case SQLITE_NULL: v = "NULL"; break;
      case SQLITE_INTEGER: v = std::to_string(sqlite3_value_int64(values[i])); break;
      case SQLITE_TEXT: {
        v = "'";
        v.append(reinterpret_cast<const char*>(sqlite3_value_text(values[i])),
                 static_cast<std::size_t>(sqlite3_value_bytes(values[i])));
        v += "'";
        break;
      }
      default: v = reinterpret_cast<const char*>(sqlite3_value_text(values[i]));
    }
    left += (i ? ", " : "") + names[static_cast<std::size_t>(i)];
    right += (i ? ", " : "") + v;
  }
  return n == 1 ? left + " = " + right : "(" + left + ") = (" + right + ")";
}

SqliteColumnRun* currentRun(sqlite3_context* ctx) {
  auto* run = *static_cast<SqliteColumnRun**>(sqlite3_user_data(ctx));
  if (run == nullptr) sqlite3_result_error(ctx, "no column is being converted", -1);
  return run;
}

// One record passed: the progress bar steps when due; a stop fails the update.
bool recordPassed(sqlite3_context* ctx, SqliteColumnRun& run) {
  if (run.pass.next()) return true;
  run.stopped = true;
  sqlite3_result_error(ctx, "stopped", -1);
  return false;
}

// ts_column_record(value): every record passes here; true for a text value.  SQLite may call
// it for every record before it rewrites any (a table with triggers): the records that are
// not rewritten count for the progress here, the others in ts_column_value.
void columnRecord(sqlite3_context* ctx, int, sqlite3_value** argv) {
  SqliteColumnRun* run = currentRun(ctx);
  if (run == nullptr) return;
  if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
    sqlite3_result_int(ctx, 1);  // counted when its new value is asked for
    return;
  }
  if (!recordPassed(ctx, *run)) return;
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
    run->pass.null();
  else
    ++run->report.skipped;
  sqlite3_result_int(ctx, 0);
}

// ts_column_value(value, key...): the new value of a text value.
void columnValue(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  SqliteColumnRun* run = currentRun(ctx);
  if (run == nullptr) return;
  if (!recordPassed(ctx, *run)) return;
  ++run->values;
  if (argc > 1) run->lastRowid = sqlite3_value_int64(argv[1]);
  sqlite3_value* v = argv[0];
  if (sqlite3_value_type(v) != SQLITE_TEXT) {
    sqlite3_result_value(ctx, v);
    return;
  }
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
  const auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
  if (const std::string* changed = run->pass.convert({p, n})) {
    sqlite3_result_text64(ctx, changed->data(), changed->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return;
  }
  sqlite3_result_value(ctx, v);
}

}  // namespace

// How rows are named: by their rowid, under a name no column hides, or else (a table
// without rowid) by their primary key.
struct RowKey {
  std::string sql;  // the key's expression list; empty when the table has neither
  std::vector<std::string> names;
  bool rowid = true;
};

struct SqliteBackend::Table {
  std::string name;  // as the schema spells it
  bool view = false;
  std::vector<SqlColumn> columns;
  const SqlColumn* column(const std::string& n) const {
    for (const auto& c : columns)
      if (sameName(c.name, n)) return &c;
    return nullptr;
  }
};

std::unique_ptr<SqliteBackend> SqliteBackend::open(const std::string& path, bool readOnly) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    std::error_code ec;
    throw DbError(path + ": " +
                  (fs::exists(path, ec) ? std::strerror(EACCES) : std::strerror(ENOENT)));
  }
  char head[32] = {};
  f.read(head, sizeof head);
  const std::string_view h(head, static_cast<std::size_t>(f.gcount()));
  if (h.size() >= 19 &&
      (h.substr(4, 15) == "Standard Jet DB" || h.substr(4, 15) == "Standard ACE DB"))
    throw DbError(formatted(
        tr("%s is a Microsoft Access database, and Linux has no writer for Access files. Move it "
           "into SQLite with mdbtools (mdb-schema FILE sqlite | sqlite3 NEW.db, then mdb-export "
           "-I sqlite FILE TABLE | sqlite3 NEW.db for each table) and convert that"),
        path.c_str()));
  if (h.substr(0, 16) != std::string_view("SQLite format 3\0", 16))
    throw DbError(formatted(tr("%s is not a SQLite database"), path.c_str()));
  // Reading the schema at once reports a damaged file, and rolls back what an interrupted
  // write left in a journal.  A reader cannot roll back: the file is opened for writing once
  // for that.
  auto connect = [&](bool forReading) {
    sqlite3* db = nullptr;
    const int flags =
        (forReading ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_EXRESCODE;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
      const std::string why = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
      const int code = db != nullptr ? sqlite3_extended_errcode(db) : SQLITE_NOMEM;
      sqlite3_close(db);
      throw DbError(path + ": " + why, code, {}, DbError::Codes::kSqlite);
    }
    sqlite3_busy_timeout(db, 5000);
    std::unique_ptr<SqliteBackend> b(new SqliteBackend(db, path, forReading));
    const int rc =
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    return std::pair{std::move(b), rc};
  };
  auto [b, rc] = connect(readOnly);
  if (rc == SQLITE_READONLY_ROLLBACK) {
    if (connect(false).second != SQLITE_OK)
      throw DbError(formatted(tr("%s: an interrupted write left %s-journal, and rolling it back "
                                 "needs the file writable"),
                              path.c_str(), path.c_str()));
    std::tie(b, rc) = connect(readOnly);
  }
  if (rc != SQLITE_OK)
    throw DbError(path + ": " + sqlite3_errmsg(b->db_), sqlite3_extended_errcode(b->db_), {},
                  DbError::Codes::kSqlite);
  return std::move(b);
}

SqliteBackend::SqliteBackend(sqlite3* db, std::string path, bool readOnly)
    : db_(db), path_(std::move(path)), readOnly_(readOnly) {
  offerInterrupt(this, [](void* self) noexcept {
    sqlite3_interrupt(static_cast<SqliteBackend*>(self)->db_);
  });
  sqlite3_create_function_v2(db_, "ts_column_value", -1, SQLITE_UTF8 | SQLITE_DIRECTONLY, &run_,
                             columnValue, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db_, "ts_column_record", 1, SQLITE_UTF8 | SQLITE_DIRECTONLY, &run_,
                             columnRecord, nullptr, nullptr, nullptr);
}

SqliteBackend::~SqliteBackend() {
  withdrawInterrupt(this);
  sqlite3_close_v2(db_);
}

void SqliteBackend::setLockTimeout(int milliseconds) { sqlite3_busy_timeout(db_, milliseconds); }

std::string SqliteBackend::name() const { return fs::path(path_).filename().string(); }

RowKey SqliteBackend::rowKey(const Table& t) {
  RowKey key;
  for (const char* alias : {"rowid", "_rowid_", "oid"}) {
    if (t.column(alias) != nullptr) continue;
    sqlite3_stmt* probe = nullptr;
    const std::string sql =
        std::string("SELECT ") + alias + " FROM " + quoteSqlName(t.name) + " LIMIT 0";
    const bool ok = sqlite3_prepare_v2(db_, sql.c_str(), -1, &probe, nullptr) == SQLITE_OK;
    sqlite3_finalize(probe);
    if (ok) key.sql = alias;
    break;
  }
  if (!key.sql.empty()) return key;
  key.rowid = false;
  std::vector<const SqlColumn*> pk;
  for (const auto& c : t.columns)
    if (c.pk > 0) pk.push_back(&c);
  std::sort(pk.begin(), pk.end(), [](auto* a, auto* b) { return a->pk < b->pk; });
  for (const auto* c : pk) {
    key.sql += (key.sql.empty() ? "" : ", ") + quoteSqlName(c->name);
    key.names.push_back(c->name);
  }
  return key;
}

SqliteBackend::Table SqliteBackend::describe(const std::string& table) {
  Table t;
  {
    Statement s(db_,
                "SELECT name, type FROM sqlite_schema WHERE type IN ('table', 'view') AND "
                "name = ?1 COLLATE NOCASE");
    s.bind(1, table);
    if (!s.step()) throw said::noTable(table);
    t.name = s.text(0);
    t.view = s.text(1) == "view";
  }
  Statement c(db_,
              "SELECT name, type, \"notnull\", dflt_value, pk, hidden "
              "FROM pragma_table_xinfo(?1)");
  c.bind(1, t.name);
  while (c.step()) {
    SqlColumn col;
    col.name = c.text(0);
    col.type = c.text(1);
    col.notNull = c.integer(2) != 0;
    col.defaultValue = c.text(3);
    col.pk = static_cast<int>(c.integer(4));
    col.hidden = static_cast<int>(c.integer(5));
    t.columns.push_back(std::move(col));
  }
  return t;
}

namespace {

// Tables (with virtual tables) and views, in the order they were made; no system objects.
std::vector<std::pair<std::string, bool>> schemaObjects(sqlite3* db) {
  Statement s(db,
              "SELECT s.name, s.type = 'view' FROM sqlite_schema s "
              "WHERE s.type IN ('table', 'view') AND s.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
              "AND NOT EXISTS (SELECT 1 FROM pragma_table_list l WHERE l.schema = 'main' AND "
              "l.name = s.name AND l.type = 'shadow') ORDER BY s.rowid");
  std::vector<std::pair<std::string, bool>> objects;
  while (s.step()) objects.emplace_back(s.text(0), s.integer(1) != 0);
  return objects;
}

std::vector<std::string> indexNames(sqlite3* db, const std::string& table) {
  Statement s(db, "SELECT name FROM pragma_index_list(?1) ORDER BY seq DESC");
  s.bind(1, table);
  std::vector<std::string> names;
  while (s.step()) names.push_back(s.text(0));
  return names;
}

std::vector<ForeignKey> foreignKeys(sqlite3* db, const std::string& table) {
  Statement s(db,
              "SELECT id, \"table\", \"from\", \"to\", on_update, on_delete "
              "FROM pragma_foreign_key_list(?1) ORDER BY id DESC, seq");
  s.bind(1, table);
  std::vector<ForeignKey> keys;
  std::int64_t id = -1;
  while (s.step()) {
    if (keys.empty() || s.integer(0) != id) {
      id = s.integer(0);
      keys.push_back({table, s.text(1), s.text(4), s.text(5), {}, {}});
    }
    keys.back().from.push_back(s.text(2));
    keys.back().to.push_back(s.isNull(3) ? std::string("(primary key)") : s.text(3));
  }
  return keys;
}

std::vector<ForeignKey> allForeignKeys(sqlite3* db) {
  std::vector<ForeignKey> keys;
  for (const auto& [name, view] : schemaObjects(db)) {
    if (view) continue;
    auto k = foreignKeys(db, name);
    keys.insert(keys.end(), k.begin(), k.end());
  }
  return keys;
}

}  // namespace

void SqliteBackend::fillSchema(SchemaTree& tree) {
  tree.clear();
  const int root = tree.add(kNoItem, ItemKind::kDatabase, name());
  const int tablesFolder = tree.add(root, ItemKind::kTables, "Tables");
  const int relations = tree.add(root, ItemKind::kRelations, "Relations");
  const int queries = tree.add(root, ItemKind::kQueries, "QueryDefs");
  const auto objects = schemaObjects(db_);
  for (const auto& [object, view] : objects) {
    if (view) {
      tree.add(queries, ItemKind::kQuery, object);
      continue;
    }
    const int table = tree.add(tablesFolder, ItemKind::kTable, object);
    const int fields = tree.add(table, ItemKind::kFields, "Fields");
    const int indexes = tree.add(table, ItemKind::kIndexes, "Indexes");
    try {
      for (const auto& c : describe(object).columns) tree.add(fields, ItemKind::kColumn, c.name);
    } catch (const DbError&) {
      // A virtual table whose module is not here: listed without its fields.
    }
    for (const auto& i : indexNames(db_, object)) tree.add(indexes, ItemKind::kIndex, i);
  }
  for (const auto& k : allForeignKeys(db_)) tree.add(relations, ItemKind::kRelation, k.text());
}

std::vector<TableInfo> SqliteBackend::tables(bool countRows) {
  std::vector<TableInfo> list;
  for (const auto& [object, view] : schemaObjects(db_)) {
    TableInfo info;
    info.name = object;
    info.view = view;
    // A view over a dropped table, or a virtual table whose module this program lacks, is
    // listed with the reason it cannot be read.
    try {
      const Table t = describe(object);
      for (const auto& c : t.columns) {
        ColumnInfo ci;
        ci.name = c.name;
        ci.type = c.type;
        if (c.hidden >= 2)
          ci.note = "generated";
        else if (c.hidden == 1)
          ci.note = "hidden";
        ci.convertible = !view && c.hidden == 0 && textType(c.type).daoType != 0;
        info.columns.push_back(std::move(ci));
      }
      if (countRows) {
        Statement s(db_, "SELECT count(*) FROM " + quoteSqlName(t.name));
        s.step();
        info.rows = s.integer(0);
      }
    } catch (const DbError& e) {
      info.problem = e.what();
    }
    list.push_back(std::move(info));
  }
  return list;
}

bool SqliteBackend::convertible(const ColumnRef& ref) {
  try {
    const Table t = describe(ref.table);
    const SqlColumn* c = t.column(ref.column);
    return !t.view && c != nullptr && c->hidden == 0 && textType(c->type).daoType != 0;
  } catch (const DbError&) {
    return false;
  }
}

std::string SqliteBackend::nthTextKey(const std::string& table, const std::string& column,
                                      const RowKey& key, std::uint64_t n) {
  try {
    Statement s(db_, "SELECT " + key.sql + " FROM " + table + " NOT INDEXED WHERE typeof(" +
                         column + ") = 'text' LIMIT 1 OFFSET " + std::to_string(n - 1));
    if (!s.step()) return {};
    std::vector<sqlite3_value*> values;
    for (std::size_t i = 0; i < key.names.size(); ++i)
      values.push_back(sqlite3_column_value(s.get(), static_cast<int>(i)));
    return keyText(key.names, static_cast<int>(values.size()), values.data());
  } catch (const DbError&) {
    return {};  // the failure is reported without its row
  }
}

ColumnReport SqliteBackend::convertColumn(const ColumnRef& ref, ValueConverter& converter,
                                          RunObserver& observer) {
  ColumnReport report;
  report.column = ref;
  if (readOnly_) throw DbError(formatted(tr("%s is open read-only"), name().c_str()));
  {
    Statement e(db_, "PRAGMA encoding");
    if (e.step() && e.text(0) != "UTF-8")
      throw DbError(formatted(tr("%s stores its text as %s; tsdata converts SQLite databases that "
                                 "store UTF-8"),
                              name().c_str(), e.text(0).c_str()));
  }
  const Table t = describe(ref.table);
  if (t.view)
    throw DbError(formatted(tr("%s is a view: convert the tables it shows"), quoteSqlName(t.name).c_str()));
  const SqlColumn* col = t.column(ref.column);
  if (col == nullptr)
    throw said::noColumn({t.name, ref.column});
  if (col->hidden >= 2)
    throw DbError(formatted(tr("%s is a generated column: its values are computed"),
                            quoteSqlName(col->name).c_str()));
  const std::string table = quoteSqlName(t.name), column = quoteSqlName(col->name);

  const RowKey key = rowKey(t);

  exec(db_, "BEGIN IMMEDIATE");
  try {
    // The records the progress bar expects: the span of the rowids (two lookups), or for a
    // table without rowid its count.  The update then counts them exactly.
    Statement count(db_, key.rowid && !key.sql.empty() ? "SELECT max(" + key.sql + ") - min(" +
                                                             key.sql + ") + 1 FROM " + table
                                                       : "SELECT count(*) FROM " + table);
    count.step();
    SqliteColumnRun run(converter, observer, report,
                        static_cast<std::uint64_t>(std::max<std::int64_t>(count.integer(0), 0)));
    run_ = &run;
    struct Clear {
      SqliteColumnRun*& r;
      ~Clear() { r = nullptr; }
    } clear{run_};
    // A table with rowid hands each row's rowid to the function; a table without rowid is
    // rewritten in the order of its key, and the key of a failure is looked up afterwards.
    const std::string sql = "UPDATE " + table + (key.rowid ? "" : " NOT INDEXED") + " SET " +
                            column + " = ts_column_value(" + column +
                            (key.rowid && !key.sql.empty() ? ", " + key.sql : "") +
                            ") WHERE ts_column_record(" + column + ")";
    Statement update(db_, sql);
    const int rc = sqlite3_step(update.get());
    if (rc != SQLITE_DONE) {
      report.error = sqlite3_errmsg(db_);
      report.native = sqlite3_extended_errcode(db_);
      report.stopped = run.stopped;
      report.failed = !run.stopped;
      if (run.values > 0 && !key.sql.empty())
        report.row = key.rowid ? "rowid " + std::to_string(run.lastRowid)
                               : nthTextKey(table, column, key, run.values);
    }
  } catch (const DbError& e) {
    report.fail(e);
  }
  if (!report.failed && !report.stopped) {
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return report;
    report.failed = true;
    report.error = sqlite3_errmsg(db_);
    report.native = sqlite3_extended_errcode(db_);
    report.row.clear();
  }
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  report.converted = 0;  // the other counts say what was read before it ended
  return report;
}

void SqliteBackend::readColumn(const ColumnRef& ref,
                               const std::function<bool(const StoredValue&)>& visit) {
  const Table t = describe(ref.table);
  const SqlColumn* col = t.column(ref.column);
  if (col == nullptr)
    throw said::noColumn({t.name, ref.column});
  const RowKey key = rowKey(t);
  Statement s(db_, "SELECT " + quoteSqlName(col->name) + (key.sql.empty() ? "" : ", " + key.sql) +
                       " FROM " + quoteSqlName(t.name) +
                       (key.sql.empty() ? "" : " ORDER BY " + key.sql));
  const int keys = sqlite3_column_count(s.get()) - 1;
  std::vector<sqlite3_value*> keyValues(static_cast<std::size_t>(keys));
  while (s.step()) {
    StoredValue v;
    if (key.rowid && keys == 1) {
      v.key = "rowid " + std::to_string(s.integer(1));
    } else if (keys > 0) {
      for (int i = 0; i < keys; ++i)
        keyValues[static_cast<std::size_t>(i)] = sqlite3_column_value(s.get(), i + 1);
      v.key = keyText(key.names, keys, keyValues.data());
    }
    switch (sqlite3_column_type(s.get(), 0)) {
      case SQLITE_NULL: v.type = StoredValue::Type::kNull; break;
      case SQLITE_TEXT: {
        v.type = StoredValue::Type::kText;
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
        v.bytes = {p, static_cast<std::size_t>(sqlite3_column_bytes(s.get(), 0))};
        break;
      }
      default: v.type = StoredValue::Type::kOther;
    }
    if (!visit(v)) break;
  }
}

TableData SqliteBackend::tableData(const std::string& table, std::size_t maxRows) {
  const Table t = describe(table);
  TableData data;
  Statement s(db_, "SELECT * FROM " + quoteSqlName(t.name));
  const int n = sqlite3_column_count(s.get());
  for (int i = 0; i < n; ++i) data.headers.emplace_back(sqlite3_column_name(s.get(), i));
  while (s.step()) {
    if (data.rows.size() < maxRows) {
      std::vector<std::string> row;
      for (int i = 0; i < n; ++i) row.push_back(valueText(s.get(), i));
      data.rows.push_back(std::move(row));
    }
    ++data.total;
  }
  return data;
}

std::vector<std::string> SqliteBackend::tableRow(const std::string& table) {
  Statement s(db_, "SELECT count(*) FROM " + quoteSqlName(table));
  s.step();
  return {table, flag(!readOnly_), "", "", "", "", "", "", std::to_string(s.integer(0))};
}

namespace {

PropertyTable objectLayout(const std::vector<std::string>& names) {
  PropertyTable t;
  t.headers = names;
  return t;
}

// A field as the property lists show it: name, type, size, required, the collating order, the
// default value.
std::vector<std::string> fieldRow(sqlite3* db, const std::string& table, const SqlColumn& c) {
  const TextType tt = textType(c.type);
  std::string collation;
  const char* seq = nullptr;
  if (sqlite3_table_column_metadata(db, "main", table.c_str(), c.name.c_str(), nullptr, &seq,
                                    nullptr, nullptr, nullptr) == SQLITE_OK &&
      seq != nullptr)
    collation = seq;
  return std::vector<std::string>{c.name, c.type, tt.size, flag(c.notNull), "", collation,
                                  "",     "",     "",      c.defaultValue};
}

// An index: its fields (+ ascending, - descending), primary, unique.
std::vector<std::string> indexRow(sqlite3* db, const std::string& table, const std::string& index) {
  Statement l(db, "SELECT \"unique\", origin FROM pragma_index_list(?1) WHERE name = ?2");
  l.bind(1, table).bind(2, index);
  bool unique = false, primary = false;
  if (l.step()) {
    unique = l.integer(0) != 0;
    primary = l.text(1) == "pk";
  }
  Statement c(db, "SELECT name, \"desc\" FROM pragma_index_xinfo(?1) WHERE key = 1");
  c.bind(1, index);
  std::string fields;
  while (c.step())
    fields += (fields.empty() ? "" : ";") + std::string(c.integer(1) ? "-" : "+") +
              (c.isNull(0) ? std::string("(expression)") : c.text(0));
  return std::vector<std::string>{index, fields, flag(primary), flag(unique), "",
                                  "",    "",     flag(false),   flag(unique)};
}

std::vector<std::string> relationRow(const ForeignKey& k) {
  return std::vector<std::string>{k.text(), k.parent, k.child,
                                  "ON UPDATE " + k.onUpdate + " ON DELETE " + k.onDelete};
}

// A view, as a query: its SQL.
std::vector<std::string> queryRow(sqlite3* db, const std::string& view) {
  Statement s(db, "SELECT sql FROM sqlite_schema WHERE type = 'view' AND name = ?1");
  s.bind(1, view);
  const std::string sql = s.step() ? s.text(0) : std::string();
  return std::vector<std::string>{view, "Select", "", "", flag(false), flag(true), sql, "", ""};
}

}  // namespace

PropertyTable SqliteBackend::properties(const SchemaTree& tree, int item) {
  const SchemaItem& it = tree.item(item);
  switch (it.kind) {
    case ItemKind::kDatabase: {
      std::string collation;
      return propertyLayout(kDatabaseNames, {path_, flag(!readOnly_), flag(true),
                                             sqlite3_libversion(), collation, "", ""});
    }
    case ItemKind::kTable: return propertyLayout(kTableNames, tableRow(describe(it.text).name));
    case ItemKind::kTables: {
      PropertyTable t = objectLayout(kTableNames);
      for (const auto& [object, view] : schemaObjects(db_))
        if (!view) t.rows.push_back(tableRow(object));
      return t;
    }
    case ItemKind::kColumn:
    case ItemKind::kFields: {
      const int table = tree.tableOf(item);
      if (table == kNoItem) return {};
      const Table t = describe(tree.item(table).text);
      if (it.kind == ItemKind::kFields) {
        PropertyTable p = objectLayout(kFieldNames);
        for (const auto& c : t.columns) p.rows.push_back(fieldRow(db_, t.name, c));
        return p;
      }
      const SqlColumn* c = t.column(it.text);
      return c == nullptr ? PropertyTable{} : propertyLayout(kFieldNames, fieldRow(db_, t.name, *c));
    }
    case ItemKind::kIndex:
    case ItemKind::kIndexes: {
      const int table = tree.tableOf(item);
      if (table == kNoItem) return {};
      const std::string name = describe(tree.item(table).text).name;
      if (it.kind == ItemKind::kIndex) return propertyLayout(kIndexNames, indexRow(db_, name, it.text));
      PropertyTable p = objectLayout(kIndexNames);
      for (const auto& i : indexNames(db_, name)) p.rows.push_back(indexRow(db_, name, i));
      return p;
    }
    case ItemKind::kRelation:
    case ItemKind::kRelations: {
      PropertyTable p = objectLayout(kRelationNames);
      for (const auto& k : allForeignKeys(db_)) {
        if (it.kind == ItemKind::kRelation && k.text() == it.text)
          return propertyLayout(kRelationNames, relationRow(k));
        p.rows.push_back(relationRow(k));
      }
      return it.kind == ItemKind::kRelations ? p : PropertyTable{};
    }
    case ItemKind::kQuery: return propertyLayout(kQueryNames, queryRow(db_, it.text));
    case ItemKind::kQueries: {
      PropertyTable p = objectLayout(kQueryNames);
      for (const auto& [object, view] : schemaObjects(db_))
        if (view) p.rows.push_back(queryRow(db_, object));
      return p;
    }
  }
  return {};
}

bool SqliteBackend::deleteObject(const SchemaTree& tree, int item) {
  const SchemaItem& it = tree.item(item);
  if (it.kind != ItemKind::kTable && it.kind != ItemKind::kQuery) return false;
  if (readOnly_) throw DbError(formatted(tr("%s is open read-only"), name().c_str()));
  const std::string sql =
      (it.kind == ItemKind::kTable ? "DROP TABLE " : "DROP VIEW ") + quoteSqlName(it.text);
  exec(db_, sql.c_str());
  return true;
}

std::string SqliteBackend::backup() {
  removeLeftovers(path_);
  ScratchBeside scratch(path_);
  const std::string& temp = scratch.path();
  sqlite3* copy = nullptr;
  std::string error;
  if (sqlite3_open_v2(temp.c_str(), &copy, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    error = copy != nullptr ? sqlite3_errmsg(copy) : "out of memory";
  } else if (sqlite3_backup* b = sqlite3_backup_init(copy, "main", db_, "main")) {
    sqlite3_backup_step(b, -1);
    if (sqlite3_backup_finish(b) != SQLITE_OK) error = sqlite3_errmsg(copy);
  } else {
    error = sqlite3_errmsg(copy);
  }
  if (sqlite3_close(copy) != SQLITE_OK && error.empty()) error = "cannot close the copy";
  if (!error.empty()) throw DbError(formatted(tr("cannot copy %s: %s"), path_.c_str(), error.c_str()));
  const std::string kept = keepAsBackup(path_, temp);
  scratch.placed();
  return kept;
}

}  // namespace ts::db
