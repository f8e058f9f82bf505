// What every database back end provides to the conversion core, the window and tsdata:
// opening, the schema tree, which columns hold text, the conversion of one column in one
// transaction, reading a column's values, a table's first rows and the properties of an item.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ts/db/composite.hpp"
#include "ts/db/schema.hpp"

namespace ts::db {

class ValueConverter;

// A failure of the database or of its use: the text to show, and what the database said in
// its own terms, so that no one reads it back out of the (possibly translated) text.
class DbError : public std::runtime_error {
 public:
  // Whose codes native() and state() are.
  enum class Codes { kNone, kSqlite, kPostgres, kOdbc, kMariaDb };
  explicit DbError(const std::string& what, long native = 0, std::string state = {},
                   Codes codes = Codes::kNone)
      : std::runtime_error(what), native_(native), state_(std::move(state)), codes_(codes) {}
  // The database's own code: SQLite's extended result code, an ODBC driver's native error,
  // MariaDB's error number; 0 when it gives none.
  long native() const { return native_; }
  Codes codes() const { return codes_; }
  // Whether the database was busy or a lock another session holds was waited for in vain.
  bool busy() const;
  // The SQLSTATE ("23505"), empty where the database has none.
  const std::string& state() const { return state_; }
  // The key of the row it happened on ("id = 5"), empty when not known.
  const std::string& row() const { return row_; }
  DbError& atRow(std::string key) {
    row_ = std::move(key);
    return *this;
  }

 private:
  long native_;
  std::string state_, row_;
  Codes codes_;
};

struct ColumnRef {
  std::string table;
  std::string column;
  std::string label() const { return table + "." + column; }
  friend bool operator==(const ColumnRef&, const ColumnRef&) = default;
};

// What every back end says alike, in the user's language.
namespace said {
DbError noTable(const std::string& name);      // no table or view of that name
DbError noColumn(const ColumnRef& column);     // no column of that name in the table
DbError aView(const std::string& table);       // a view: its values are not converted
DbError noRowKey(const std::string& table);    // no primary key: rows cannot be addressed
// Another session holds a lock on the table (`e`: the database's error, whose codes it keeps).
DbError busy(const std::string& table, const DbError& e);
}  // namespace said

struct ColumnInfo {
  std::string name;
  std::string type;  // as declared
  bool convertible = false;
  std::string note;      // why not, where that is not the type ("generated")
  bool unicode = false;  // text held as Unicode: converted only when named by itself
};

struct TableInfo {
  std::string name;
  bool view = false;
  std::vector<ColumnInfo> columns;
  std::int64_t rows = -1;  // -1: not counted
  std::string problem;     // why its columns cannot be read, if they cannot
};

// One value as stored, read for a preview, a dry run or a charset guess.
struct StoredValue {
  enum class Type { kNull, kText, kOther };
  Type type = Type::kNull;
  std::string_view bytes;  // kText: the stored bytes (of a Unicode column: the bytes its
                           // characters carry, see ts/db/wide.hpp)
  std::string_view unicode;  // kText of a Unicode column: the text itself, in UTF-8
  bool uncarried = false;    // kText of a Unicode column whose characters carry no bytes:
                             // left by a conversion as it is
  std::string key;           // the row's key, as text ("rowid 7", "id = 5")
  ValueShape shape = ValueShape::kScalar;  // kText: an array or JSON, its texts inside
};

// The counts of one column's conversion.
struct ColumnReport {
  ColumnRef column;
  std::uint64_t records = 0;
  std::uint64_t converted = 0;
  std::uint64_t unchanged = 0;
  std::uint64_t nulls = 0;
  std::uint64_t skipped = 0;    // values that are not text, left as they are
  std::uint64_t undecided = 0;  // automatic source: no confident guess, left as they are
  std::uint64_t uncarried = 0;  // Unicode values the carrier code page cannot carry, left
  std::uint64_t already = 0;    // values already in the destination charset, left
  bool failed = false;
  bool stopped = false;            // the user stopped the run; the column was rolled back
  bool left = false;               // not converted: its text was converted already (see notes)
  std::string error;               // failed: the database's reason
  std::string state;               // failed: the SQLSTATE, if the database gives one
  long native = 0;                 // failed: the database's own code, 0 when none
  std::string row;                 // failed: the key of the row it failed on, if one is known
  std::vector<std::string> notes;  // what else the conversion did or could not do

  // Marks the column failed, nothing in it changed.
  void fail(const DbError& e) {
    failed = true;
    error = e.what();
    state = e.state();
    native = e.native();
    if (!e.row().empty()) row = e.row();
    converted = 0;
  }
};

// What a conversion tells the one who runs it, and asks of it.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void caption(const std::string& /*text*/) {}
  // The progress bar: its position (1 at a column's start, 100 at its end) and its steps.
  virtual void position(int /*pos*/) {}
  virtual void step(std::uint64_t /*done*/, std::uint64_t /*records*/) {}
  virtual void columnDone(const ColumnReport& /*report*/) {}
  // Asked between records; true rolls the current column back and ends the run.
  virtual bool stopRequested() { return false; }
};

// A property list (the window's property layout) or an object list (one row per object).
struct PropertyTable {
  std::vector<std::string> headers;
  std::vector<std::vector<std::string>> rows;

  // The property layout ("Property" / "Value"): one row per name with its value.
  static PropertyTable ofProperties(const std::vector<std::string>& names,
                                    const std::vector<std::string>& values);
  // The object layout, its headers from a comma-separated list ("Name,Type,Size").
  static PropertyTable ofObjects(std::string_view headerList);
  // A column item of `tree` in the property layout: the object layout's headers as names,
  // the values `row` gives for the column; empty when the item belongs to no table.
  static PropertyTable ofColumn(const SchemaTree& tree, int item, std::string_view headerList,
                                const std::function<std::vector<std::string>(const ColumnRef&)>& row);
};

struct TableData {
  std::vector<std::string> headers;
  std::vector<std::vector<std::string>> rows;  // the first rows, values as display texts
  std::uint64_t total = 0;                     // all rows of the table
};

// What a back end is and can do: the core and the windows decide by this, never by its kind.
struct Capabilities {
  bool file = false;  // a database file: it can be copied beside itself
  // What a run does after a column fails: skip the other columns of its table, end, or go on.
  enum class AfterFailure { kSkipTable, kEndRun, kGoOn };
  AfterFailure afterFailure = AfterFailure::kGoOn;
  Propagation marks = Propagation::kSubtree;  // how a mark spreads in its tree
  bool deletes = false;                       // tables and stored queries can be deleted
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual Capabilities capabilities() const = 0;
  // The database's name for the tree's root and messages.
  virtual std::string name() const = 0;
  virtual bool readOnly() const = 0;

  // Rebuilds `tree` from the database: marks start unmarked.
  virtual void fillSchema(SchemaTree& tree) = 0;
  // Tables and views with their columns, for listings.
  virtual std::vector<TableInfo> tables(bool countRows) = 0;
  // Whether the column holds text the engine converts.
  virtual bool convertible(const ColumnRef& column) = 0;

  // Converts every text value of the column in one transaction: wholly or, after a failure
  // or a stop, not at all (the report says which).  NULLs and values that are not text stay.
  virtual ColumnReport convertColumn(const ColumnRef& column, ValueConverter& converter,
                                     RunObserver& observer) = 0;
  // Hands each value of the column to `visit`, in key order where the table has a key, until
  // it returns false.
  virtual void readColumn(const ColumnRef& column,
                          const std::function<bool(const StoredValue&)>& visit) = 0;

  // The first `maxRows` rows of a table and its row count.
  virtual TableData tableData(const std::string& table, std::size_t maxRows) = 0;
  // The properties of a tree item (property layout) or of the objects below a folder
  // (object layout).
  virtual PropertyTable properties(const SchemaTree& tree, int item) = 0;

  // Deletes the table or stored query of a tree item from the database; false for items of
  // other kinds, which are not deleted.
  virtual bool deleteObject(const SchemaTree& tree, int item) = 0;

  // Copies the database beside itself before a conversion, never replacing a file; returns
  // the copy's path.  Back ends that are not files refuse.
  virtual std::string backup() {
    throw DbError("this database is not a file: it cannot be copied");
  }

  // The most a column holds (-1: no limit), counted in bytes of the converted value, or in
  // characters where the column holds characters and the destination is UTF-8.
  struct ValueLimit {
    std::int64_t most = -1;
    bool characters = false;
    bool padded = false;  // a fixed-width type whose trailing blanks the store drops (char(n))
  };
  virtual ValueLimit valueLimit(const ColumnRef& /*column*/) { return {}; }

  // The tables whose rows a conversion of `table` reaches too (a partitioned table's
  // partitions, at every level); empty for most.
  virtual std::vector<std::string> partsOf(const std::string& /*table*/) { return {}; }

  // How long a statement waits for a lock another session holds before the column fails
  // "busy or locked" (PostgreSQL's lock_timeout, SQLite's busy timeout); ODBC drivers keep
  // their own.
  virtual void setLockTimeout(int /*milliseconds*/) {}

  // Whether a column that places rows in partitions (a partition key) may be converted: its
  // rows then move to the partitions their new values belong to.  Refused by default.
  virtual void allowPartitionMoves(bool /*allow*/) {}

  // Whether the keys of JSON objects are converted with their string values (left by
  // default: programs look values up by them).
  virtual void convertJsonKeys(bool /*convert*/) {}
  // Whether the materialized views over a converted table are refreshed after it (named in
  // the report either way).
  virtual void refreshViews(bool /*refresh*/) {}

  // Tables without transactions (where a failure half way could not be undone) are dumped
  // into `folder` first, as a script that restores them, and then converted; without a folder
  // they are refused.  False where the back end has no such tables to dump.
  virtual bool dumpBeforeConverting(const std::string& /*folder*/) { return false; }
  // The collation of the columns a conversion to Unicode changes the character set of (the
  // table's own otherwise).  False where the back end changes no column's character set.
  virtual bool useCollation(const std::string& /*name*/) { return false; }
};

// Cancels what the open back ends' connections are running (a statement waiting for a lock
// fails at once, and its transaction rolls back).  Safe in a signal handler.
void interruptStatements() noexcept;
// For back ends: `interrupt(context)` is called by interruptStatements() (it must be safe in
// a signal handler) until the context is withdrawn.
void offerInterrupt(void* context, void (*interrupt)(void*) noexcept);
void withdrawInterrupt(void* context);

// The forms of SOURCE each back end takes: a prefix ("odbc:") or a file extension (".dbf").
// A back end is added by one line in the list of source.cpp.
struct SourceForm {
  std::vector<std::string> prefixes;  // taken off before `open` unless `keepPrefix`
  std::vector<std::string> extensions;
  bool keepPrefix = false;
  std::unique_ptr<Backend> (*open)(const std::string& source, bool readOnly) = nullptr;
  std::string (*hidePassword)(const std::string&) = nullptr;  // for display, where it has one
};
const std::vector<SourceForm>& sourceForms();

// Opens a SOURCE as tsdata names it: a SQLite or dBASE file, a PostgreSQL URI or "pg:" and
// keywords, or "odbc:" and a connection string.
std::unique_ptr<Backend> openSource(const std::string& source, bool readOnly);
// A SOURCE as it may be shown: the values of password keys replaced by "***".
std::string sourceForDisplay(const std::string& source);

}  // namespace ts::db
