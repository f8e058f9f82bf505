#include "odbc_backend.hpp"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <set>

#include "server_rewrite.hpp"
#include "ts/platform/messages.hpp"
#include "ts/byte_buffer.hpp"
#include "ts/db/conversion.hpp"
#include "ts/db/wide.hpp"

namespace ts::db {

using ts::platform::formatted;
using ts::platform::tr;

namespace {

// The diagnostics of a handle as tsdata shows them: each record's message, then
// "State:..,Native:..".
std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle, std::string* firstState = nullptr,
                        long* firstNative = nullptr) {
  std::string text;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::string message(1024, '\0');
    SQLRETURN rc =
        SQLGetDiagRec(type, handle, i, state, &native, reinterpret_cast<SQLCHAR*>(message.data()),
                      static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<std::size_t>(length) + 1, '\0');
      rc =
          SQLGetDiagRec(type, handle, i, state, &native, reinterpret_cast<SQLCHAR*>(message.data()),
                        static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    message.resize(std::min<std::size_t>(static_cast<std::size_t>(length), message.size()));
    while (!message.empty() && (message.back() == '\n' || message.back() == '\0'))
      message.pop_back();
    if (firstState != nullptr && i == 1) *firstState = reinterpret_cast<const char*>(state);
    if (firstNative != nullptr && i == 1) *firstNative = native;
    if (!text.empty()) text += "\n";
    text += message + "\nState:" + reinterpret_cast<const char*>(state) +
            ",Native:" + std::to_string(native);
  }
  return text.empty() ? "ODBC call failed without diagnostics" : text;
}

// The diagnostics of a handle as an error: the text, the first record's state and native code.
DbError diagnosticError(SQLSMALLINT type, SQLHANDLE handle) {
  std::string state;
  long native = 0;
  std::string text = diagnostics(type, handle, &state, &native);
  return DbError(text, native, state, DbError::Codes::kOdbc);
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
  throw diagnosticError(type, handle);
}

bool isWide(int dataType) {
  return dataType == SQL_WCHAR || dataType == SQL_WVARCHAR || dataType == SQL_WLONGVARCHAR;
}
bool isCharacter(int dataType) {
  return isWide(dataType) || dataType == SQL_CHAR || dataType == SQL_VARCHAR ||
         dataType == SQL_LONGVARCHAR;
}

}  // namespace

struct OdbcHandles {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  bool connected = false;
  ~OdbcHandles() {
    if (connected) SQLDisconnect(dbc);
    if (dbc != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    if (env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
};

namespace {

// A statement handle that frees itself.
class Stmt {
 public:
  explicit Stmt(SQLHDBC dbc) {
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h_), SQL_HANDLE_DBC, dbc);
  }
  ~Stmt() { SQLFreeHandle(SQL_HANDLE_STMT, h_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;
  SQLHSTMT get() const { return h_; }
  void ok(SQLRETURN rc) const { check(rc, SQL_HANDLE_STMT, h_); }

  void exec(const std::string& sql) {
    ok(SQLExecDirect(h_, const_cast<SQLCHAR*>(reinterpret_cast<const SQLCHAR*>(sql.c_str())),
                     static_cast<SQLINTEGER>(sql.size())));
  }
  void prepare(const std::string& sql) {
    ok(SQLPrepare(h_, const_cast<SQLCHAR*>(reinterpret_cast<const SQLCHAR*>(sql.c_str())),
                  static_cast<SQLINTEGER>(sql.size())));
  }
  bool fetch() {
    const SQLRETURN rc = SQLFetch(h_);
    if (rc == SQL_NO_DATA) return false;
    ok(rc);
    return true;
  }
  void close() { SQLFreeStmt(h_, SQL_CLOSE); }
  int columns() {
    SQLSMALLINT n = 0;
    ok(SQLNumResultCols(h_, &n));
    return n;
  }

  // A value of column i (1-based) as bytes of type `ctype` (SQL_C_CHAR, SQL_C_WCHAR), read in
  // pieces of any length; false for NULL.
  bool data(int i, SQLSMALLINT ctype, std::string& out) {
    out.clear();
    const std::size_t terminator = ctype == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 1;
    char piece[8192];
    for (;;) {
      SQLLEN ind = 0;
      const SQLRETURN rc = SQLGetData(h_, static_cast<SQLUSMALLINT>(i), ctype, piece,
                                      static_cast<SQLLEN>(sizeof piece), &ind);
      if (rc == SQL_NO_DATA) return true;
      ok(rc);
      if (ind == SQL_NULL_DATA) return false;
      const std::size_t room = sizeof piece - terminator;
      if (rc == SQL_SUCCESS || (ind != SQL_NO_TOTAL && static_cast<std::size_t>(ind) <= room)) {
        out.append(piece, ind == SQL_NO_TOTAL ? room : static_cast<std::size_t>(ind));
        if (rc == SQL_SUCCESS) return true;
      } else {
        out.append(piece, room - room % terminator);
      }
    }
  }
  // A catalog column as text ("" for NULL); `present` tells which.
  std::string text(int i, bool* present = nullptr) {
    std::string s;
    const bool p = data(i, SQL_C_CHAR, s);
    if (present != nullptr) *present = p;
    return s;
  }
  long long integer(int i, bool* present = nullptr) {
    SQLBIGINT v = 0;
    SQLLEN ind = 0;
    ok(SQLGetData(h_, static_cast<SQLUSMALLINT>(i), SQL_C_SBIGINT, &v, 0, &ind));
    if (present != nullptr) *present = ind != SQL_NULL_DATA;
    return ind == SQL_NULL_DATA ? 0 : static_cast<long long>(v);
  }

 private:
  SQLHSTMT h_ = SQL_NULL_HSTMT;
};

std::u16string unitsOf(const std::string& bytes) {
  std::u16string u(bytes.size() / sizeof(SQLWCHAR), u'\0');
  std::memcpy(u.data(), bytes.data(), u.size() * sizeof(SQLWCHAR));
  return u;
}

std::string utf8OfUnits(const std::u16string& units) {
  // Display only: every unit through the carrier when it can, else as UTF-8.
  std::string bytes;
  WideValues carrier(0, 0);
  if (carrier.toBytes(units, bytes)) return bytes;
  WideValues utf8(kUtf8, kUtf8);
  utf8.toBytes(units, bytes);
  return bytes;
}

const char* kDataSource = "Data Source";

std::string getInfo(SQLHDBC dbc, SQLUSMALLINT what) {
  char value[512] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(dbc, what, value, sizeof value, &length))) return {};
  return std::string(value,
                     std::min<std::size_t>(static_cast<std::size_t>(length), sizeof value - 1));
}

struct ConnectPair {
  std::string key, value;
  std::size_t valueBegin = 0, valueEnd = 0;  // where the value (braces and all) stands
};

// The key=value pairs of a connection string, values unbraced.
std::vector<ConnectPair> connectPairs(const std::string& s) {
  std::vector<ConnectPair> pairs;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t eq = s.find('=', i);
    if (eq == std::string::npos) break;
    ConnectPair p;
    p.key = s.substr(i, eq - i);
    while (!p.key.empty() && p.key.front() == ' ') p.key.erase(0, 1);
    std::size_t j = eq + 1;
    p.valueBegin = j;
    if (j < s.size() && s[j] == '{') {
      for (++j; j < s.size(); ++j) {
        if (s[j] == '}') {
          if (j + 1 < s.size() && s[j + 1] == '}') {
            p.value.push_back('}');
            ++j;
            continue;
          }
          ++j;
          break;
        }
        p.value.push_back(s[j]);
      }
      p.valueEnd = j;
      j = s.find(';', j);
    } else {
      j = s.find(';', j);
      p.value =
          s.substr(p.valueBegin, j == std::string::npos ? std::string::npos : j - p.valueBegin);
      p.valueEnd = j == std::string::npos ? s.size() : j;
    }
    pairs.push_back(std::move(p));
    if (j == std::string::npos) break;
    i = j + 1;
  }
  return pairs;
}

// The value of `key` in a connection string ("" when absent).
std::string connectValue(const std::string& s, const std::string& key) {
  for (const ConnectPair& p : connectPairs(s))
    if (strcasecmp(p.key.c_str(), key.c_str()) == 0) return p.value;
  return {};
}

}  // namespace

std::string odbcValue(const std::string& value) {
  const bool plain = value.find_first_of(";{}") == std::string::npos &&
                     (value.empty() || (value.front() != ' ' && value.back() != ' '));
  if (plain) return value;
  std::string braced = "{";
  for (char c : value) braced += c == '}' ? std::string("}}") : std::string(1, c);
  return braced + "}";
}

std::string odbcHidePassword(const std::string& connectionString) {
  std::string shown = connectionString;
  const std::vector<ConnectPair> pairs = connectPairs(connectionString);
  for (auto p = pairs.rbegin(); p != pairs.rend(); ++p)
    if (strcasecmp(p->key.c_str(), "PWD") == 0 || strcasecmp(p->key.c_str(), "PASSWORD") == 0)
      shown.replace(p->valueBegin, p->valueEnd - p->valueBegin, "***");
  return shown;
}

std::string odbcConnectString(const std::string& dsn, const std::string& user,
                              const std::string& password) {
  return "DSN=" + odbcValue(dsn) + ";UID=" + odbcValue(user) + ";PWD=" + odbcValue(password);
}

namespace {

struct Environment {
  SQLHENV env = SQL_NULL_HENV;
  Environment() {
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
      SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  }
  ~Environment() {
    if (env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
};

}  // namespace

std::vector<OdbcSource> odbcDataSources() {
  std::vector<OdbcSource> list;
  Environment e;
  if (e.env == SQL_NULL_HENV) return list;
  for (const SQLUSMALLINT first : {SQL_FETCH_FIRST_USER, SQL_FETCH_FIRST_SYSTEM}) {
    SQLUSMALLINT direction = first;
    SQLCHAR name[SQL_MAX_DSN_LENGTH + 1];
    SQLCHAR driver[512];
    SQLSMALLINT nameLength = 0, driverLength = 0;
    while (SQL_SUCCEEDED(SQLDataSources(e.env, direction, name, sizeof name, &nameLength, driver,
                                        sizeof driver, &driverLength))) {
      list.push_back({reinterpret_cast<const char*>(name), reinterpret_cast<const char*>(driver),
                      first == SQL_FETCH_FIRST_SYSTEM});
      direction = SQL_FETCH_NEXT;
    }
  }
  return list;
}

std::vector<std::string> odbcDrivers() {
  std::vector<std::string> list;
  Environment e;
  if (e.env == SQL_NULL_HENV) return list;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  SQLCHAR name[512];
  SQLCHAR attributes[4096];
  SQLSMALLINT nameLength = 0, attributesLength = 0;
  while (SQL_SUCCEEDED(SQLDrivers(e.env, direction, name, sizeof name, &nameLength, attributes,
                                  sizeof attributes, &attributesLength))) {
    list.emplace_back(reinterpret_cast<const char*>(name));
    direction = SQL_FETCH_NEXT;
  }
  return list;
}

std::vector<std::string> odbcDriverKeys(const std::string& driver) {
  std::string lower;
  for (char c : driver)
    lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (lower.find("sqlite") != std::string::npos) return {"DRIVER", "Database"};
  return {"DRIVER", "Server", "Port", "Database", "UID", "PWD"};
}

OdbcBackend::OdbcBackend(std::unique_ptr<OdbcHandles> h) : h_(std::move(h)) {}
OdbcBackend::~OdbcBackend() = default;

namespace {

std::unique_ptr<OdbcHandles> driverConnect(const std::string& connectionString,
                                           bool cursorLibrary) {
  auto h = std::make_unique<OdbcHandles>();
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h->env)))
    throw DbError(tr("the ODBC driver manager could not be started"));
  check(SQLSetEnvAttr(h->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, h->env);
  check(SQLAllocHandle(SQL_HANDLE_DBC, h->env, &h->dbc), SQL_HANDLE_ENV, h->env);
  if (cursorLibrary)
    SQLSetConnectAttr(h->dbc, SQL_ATTR_ODBC_CURSORS, reinterpret_cast<SQLPOINTER>(SQL_CUR_USE_ODBC),
                      0);
  // Connected as a Unicode application: Unicode drivers then report their wide columns as
  // wide, and the values of those columns travel as UTF-16.
  std::u16string wideString;
  WideValues(kUtf8, kUtf8).fromBytes(connectionString, wideString);
  std::vector<SQLWCHAR> in(wideString.begin(), wideString.end());
  in.push_back(0);
  SQLWCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc =
      SQLDriverConnectW(h->dbc, nullptr, in.data(), static_cast<SQLSMALLINT>(in.size() - 1), out,
                        1024, &outLength, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) throw diagnosticError(SQL_HANDLE_DBC, h->dbc);
  h->connected = true;
  return h;
}

}  // namespace

std::unique_ptr<OdbcBackend> OdbcBackend::connect(const std::string& connectionString,
                                                  bool cursorLibrary) {
  std::unique_ptr<OdbcHandles> h = driverConnect(connectionString, cursorLibrary);
  // psqlODBC reads a whole result into memory unless told to fetch it in blocks through a
  // cursor (128 MB for a column of a million rows): connected again, so told, unless the
  // user's string says otherwise.
  if (getInfo(h->dbc, SQL_DRIVER_NAME).rfind("psqlodbc", 0) == 0 &&
      connectValue(connectionString, "UseDeclareFetch").empty())
    h = driverConnect(connectionString + (connectionString.ends_with(';') ? "" : ";") +
                          "UseDeclareFetch=1;Fetch=10000",
                      cursorLibrary);
  std::unique_ptr<OdbcBackend> b(new OdbcBackend(std::move(h)));
  SQLHDBC dbc = b->h_->dbc;
  b->dbms_ = getInfo(dbc, SQL_DBMS_NAME);
  const std::string q = getInfo(dbc, SQL_IDENTIFIER_QUOTE_CHAR);
  b->quote_ = q == " " ? std::string() : q;
  b->escape_ = getInfo(dbc, SQL_SEARCH_PATTERN_ESCAPE);
  b->readOnly_ = getInfo(dbc, SQL_DATA_SOURCE_READ_ONLY) == "Y";
  b->name_ = connectValue(connectionString, "DSN");
  if (b->name_.empty()) b->name_ = getInfo(dbc, SQL_DATA_SOURCE_NAME);
  if (b->name_.empty()) b->name_ = connectValue(connectionString, "DATABASE");
  if (b->name_.empty()) b->name_ = b->dbms_;
  // psqlODBC's ANSI driver asks for UTF-8 unless told, and a database of legacy bytes
  // (SQL_ASCII, a single-byte encoding) then refuses its values: they travel in the
  // database's own encoding, as bytes.
  if (b->dbms_ == "PostgreSQL" && getInfo(dbc, SQL_DRIVER_NAME).find("psqlodbca") == 0) {
    Stmt show(dbc);
    show.exec("SHOW server_encoding");
    const std::string encoding = show.fetch() ? show.text(1) : std::string();
    show.close();
    if (!encoding.empty() && encoding != "UTF8") {
      std::string quoted;
      for (const char c : encoding)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') quoted.push_back(c);
      Stmt(dbc).exec("SET client_encoding TO '" + quoted + "'");
    }
  }
  return b;
}

std::unique_ptr<Backend> connectOdbc(const std::string& connectionString, bool cursorLibrary) {
  return OdbcBackend::connect(connectionString, cursorLibrary);
}

std::string OdbcBackend::quote(const std::string& name) const {
  if (quote_.empty()) return name;  // the driver has no quoting: names go as they are
  std::string q = quote_;
  for (char c : name) {
    q.push_back(c);
    if (std::string(1, c) == quote_) q.push_back(c);
  }
  return q + quote_;
}

std::string OdbcBackend::qualified(const TableId& t) const {
  std::string s;
  if (t.hasSchema && !t.schema.empty()) s = quote(t.schema) + ".";
  return s + quote(t.name);
}

std::vector<OdbcBackend::TableId> OdbcBackend::catalogTables(const char* type) {
  Stmt s(h_->dbc);
  s.ok(SQLTables(s.get(), nullptr, 0, nullptr, 0, nullptr, 0,
                 const_cast<SQLCHAR*>(reinterpret_cast<const SQLCHAR*>(type)), SQL_NTS));
  std::vector<TableId> list;
  while (s.fetch()) {
    TableId t;
    t.catalog = s.text(1, &t.hasCatalog);
    t.schema = s.text(2, &t.hasSchema);
    t.name = s.text(3);
    t.type = s.text(4);
    t.remarks = s.text(5);
    list.push_back(std::move(t));
  }
  return list;
}

namespace {

// A catalog name as a search pattern that matches only itself.
std::string pattern(const std::string& name, const std::string& escape) {
  if (escape.empty()) return name;
  std::string p;
  for (char c : name) {
    if (c == '_' || c == '%' || std::string(1, c) == escape) p += escape;
    p.push_back(c);
  }
  return p;
}

}  // namespace

std::vector<OdbcBackend::Column> OdbcBackend::catalogColumns(const TableId& t) {
  Stmt s(h_->dbc);
  const std::string schema = pattern(t.schema, escape_), name = pattern(t.name, escape_);
  auto arg = [](const std::string& v) {
    return const_cast<SQLCHAR*>(reinterpret_cast<const SQLCHAR*>(v.c_str()));
  };
  s.ok(SQLColumns(s.get(), t.hasCatalog ? arg(t.catalog) : nullptr,
                  t.hasCatalog ? static_cast<SQLSMALLINT>(t.catalog.size()) : 0,
                  t.hasSchema ? arg(schema) : nullptr,
                  t.hasSchema ? static_cast<SQLSMALLINT>(schema.size()) : 0, arg(name),
                  static_cast<SQLSMALLINT>(name.size()), nullptr, 0));
  std::vector<Column> list;
  while (s.fetch()) {
    // Patterns may still match more where a driver ignores the escape: keep our table only.
    if (s.text(3) != t.name) continue;
    Column c;
    c.name = s.text(4);
    c.dataType = static_cast<int>(s.integer(5));
    c.typeName = s.text(6);
    c.size = s.integer(7);
    c.length = s.integer(8);
    c.scale = static_cast<int>(s.integer(9, &c.hasScale));
    c.radix = static_cast<int>(s.integer(10, &c.hasRadix));
    c.nullable = static_cast<int>(s.integer(11));
    list.push_back(std::move(c));
  }
  return list;
}

void OdbcBackend::refreshNames() {
  tables_.clear();
  columns_.clear();
  std::map<std::string, int> uses;
  std::vector<TableId> all = catalogTables("'TABLE'");
  for (TableId& v : catalogTables("'VIEW'")) {
    v.view = true;
    all.push_back(std::move(v));
  }
  for (const TableId& t : all) ++uses[t.name];
  order_.clear();
  for (TableId& t : all) {
    const std::string shown =
        uses[t.name] > 1 && !t.schema.empty() ? t.schema + "." + t.name : t.name;
    if (tables_.emplace(shown, std::move(t)).second) order_.push_back(shown);
  }
  named_ = true;
}

const OdbcBackend::TableId& OdbcBackend::table(const std::string& name) {
  if (!named_) refreshNames();
  const auto it = tables_.find(name);
  if (it == tables_.end()) throw said::noTable(name);
  return it->second;
}

const OdbcBackend::Column& OdbcBackend::column(const ColumnRef& ref) {
  const TableId& t = table(ref.table);
  auto it = columns_.find(ref.table);
  if (it == columns_.end()) it = columns_.emplace(ref.table, catalogColumns(t)).first;
  for (const Column& c : it->second)
    if (c.name == ref.column) return c;
  throw said::noColumn(ref);
}

void OdbcBackend::fillSchema(SchemaTree& tree) {
  refreshNames();
  std::vector<ServerObject> objects;  // in the catalog's order: the tables, then the views
  for (const std::string& shown : order_) {
    const TableId& t = tables_.at(shown);
    ServerObject o{shown, t.view, {}};
    if (!t.view)
      for (const Column& c : columns_[shown] = catalogColumns(t)) o.columns.push_back(c.name);
    objects.push_back(std::move(o));
  }
  fillServerTree(tree, kDataSource, objects);
}

std::vector<TableInfo> OdbcBackend::tables(bool countRows) {
  refreshNames();
  std::vector<TableInfo> list;
  for (const std::string& shown : order_) {
    const TableId& t = tables_.at(shown);
    TableInfo info;
    info.name = shown;
    info.view = t.view;
    try {
      for (const Column& c : catalogColumns(t))
        info.columns.push_back({c.name, c.typeName, isCharacter(c.dataType), {}});
      if (countRows) {
        Stmt s(h_->dbc);
        s.exec("SELECT COUNT(*) FROM " + qualified(t));
        if (s.fetch()) info.rows = s.integer(1);
      }
    } catch (const DbError& e) {
      info.problem = e.what();
    }
    list.push_back(std::move(info));
  }
  return list;
}

bool OdbcBackend::convertible(const ColumnRef& ref) {
  try {
    return isCharacter(column(ref).dataType);
  } catch (const DbError&) {
    return false;
  }
}

Backend::ValueLimit OdbcBackend::valueLimit(const ColumnRef& ref) {
  const Column& c = column(ref);
  // Long types have no size worth holding values to.
  const bool sized = c.dataType == SQL_CHAR || c.dataType == SQL_VARCHAR ||
                     c.dataType == SQL_WCHAR || c.dataType == SQL_WVARCHAR;
  return {sized && c.size > 0 ? c.size : -1, isWide(c.dataType)};
}

std::string OdbcBackend::ownRows(const TableId& t) {
  if (dbms_ != "PostgreSQL") return qualified(t);
  // PostgreSQL reads a table's child tables with it: an ordinary table's own rows only (a
  // partitioned table's rows are its partitions').
  Stmt kind(h_->dbc);
  std::string name = qualified(t), literal = "'";
  for (const char c : name) literal += c == '\'' ? std::string("''") : std::string(1, c);
  kind.exec("SELECT relkind FROM pg_catalog.pg_class WHERE oid = " + literal + "'::regclass");
  const std::string relkind = kind.fetch() ? kind.text(1) : std::string();
  return pg_staging::ownRows(relkind.empty() ? '\0' : relkind[0], name);
}

std::vector<OdbcBackend::Column> OdbcBackend::rowKey(const TableId& t) {
  std::vector<std::pair<int, std::string>> names;
  auto arg = [](const std::string& v) {
    return const_cast<SQLCHAR*>(reinterpret_cast<const SQLCHAR*>(v.c_str()));
  };
  {
    Stmt s(h_->dbc);
    const SQLRETURN rc =
        SQLPrimaryKeys(s.get(), t.hasCatalog ? arg(t.catalog) : nullptr,
                       t.hasCatalog ? static_cast<SQLSMALLINT>(t.catalog.size()) : 0,
                       t.hasSchema ? arg(t.schema) : nullptr,
                       t.hasSchema ? static_cast<SQLSMALLINT>(t.schema.size()) : 0, arg(t.name),
                       static_cast<SQLSMALLINT>(t.name.size()));
    if (SQL_SUCCEEDED(rc))
      while (s.fetch()) names.emplace_back(static_cast<int>(s.integer(5)), s.text(4));
  }
  std::sort(names.begin(), names.end());
  std::vector<Column> key;
  const std::vector<Column> all = catalogColumns(t);
  for (const auto& [seq, name] : names)
    for (const Column& c : all)
      if (c.name == name) key.push_back(c);
  if (!key.empty() && key.size() == names.size()) return key;
  key.clear();
  Stmt s(h_->dbc);
  const SQLRETURN rc = SQLSpecialColumns(
      s.get(), SQL_BEST_ROWID, t.hasCatalog ? arg(t.catalog) : nullptr,
      t.hasCatalog ? static_cast<SQLSMALLINT>(t.catalog.size()) : 0,
      t.hasSchema ? arg(t.schema) : nullptr,
      t.hasSchema ? static_cast<SQLSMALLINT>(t.schema.size()) : 0, arg(t.name),
      static_cast<SQLSMALLINT>(t.name.size()), SQL_SCOPE_TRANSACTION, SQL_NULLABLE);
  if (!SQL_SUCCEEDED(rc)) return key;
  while (s.fetch()) {
    Column c;
    c.name = s.text(2);
    c.dataType = static_cast<int>(s.integer(3));
    c.typeName = s.text(4);
    key.push_back(std::move(c));
  }
  return key;
}

namespace {

// One column's changes in one transaction: autocommit is off until it ends, and an end
// without commit rolls back.
class Transaction {
 public:
  explicit Transaction(SQLHDBC dbc) : dbc_(dbc) {
    check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                            reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, dbc_);
  }
  ~Transaction() {
    if (!done_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      0);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit() {
    check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_);
    done_ = true;
  }

 private:
  SQLHDBC dbc_;
  bool done_ = false;
};

// Serializable isolation while a column is rewritten, the connection's own after.
class Isolation {
 public:
  Isolation(SQLHDBC dbc, bool serializable) : dbc_(dbc) {
    if (!serializable) return;
    SQLGetConnectAttr(dbc_, SQL_ATTR_TXN_ISOLATION, &old_, 0, nullptr);
    check(SQLSetConnectAttr(dbc_, SQL_ATTR_TXN_ISOLATION,
                            reinterpret_cast<SQLPOINTER>(SQL_TXN_SERIALIZABLE), 0),
          SQL_HANDLE_DBC, dbc_);
    set_ = true;
  }
  ~Isolation() {
    if (set_ && old_ != 0)
      SQLSetConnectAttr(dbc_, SQL_ATTR_TXN_ISOLATION, reinterpret_cast<SQLPOINTER>(old_), 0);
  }
  Isolation(const Isolation&) = delete;
  Isolation& operator=(const Isolation&) = delete;

 private:
  SQLHDBC dbc_;
  SQLULEN old_ = 0;
  bool set_ = false;
};

// Rows waiting for their update: per parameter (the new value, then the key columns) the
// bytes of every row, sent as column-wise parameter arrays.
class UpdateBatch {
 public:
  UpdateBatch(std::size_t parameters, std::size_t capacity)
      : values_(parameters), capacity_(capacity) {}
  std::size_t size() const { return rows_; }
  bool full() const { return rows_ >= capacity_; }
  // The rows the last batch executed by key changed, as the driver counts them (-1: unsaid).
  SQLLEN rowCount() const { return rowCount_; }
  void add(const std::vector<std::string>& row) {
    for (std::size_t p = 0; p < values_.size(); ++p) values_[p].push_back(row[p]);
    ++rows_;
  }
  // The key of row r as text ("id = 5").
  std::string key(std::size_t r, const std::vector<std::string>& names) const {
    std::string k;
    for (std::size_t i = 0; i < names.size(); ++i)
      k += (i ? ", " : "") + names[i] + " = " + values_[i + 1][r];
    return k;
  }
  // Executes the prepared update for every row; false on failure, with the diagnostics.
  bool execute(Stmt& s, const std::vector<SQLSMALLINT>& ctype,
               const std::vector<SQLSMALLINT>& sqlType, std::optional<DbError>& error) {
    if (rows_ == 0) return true;
    if (!execute(s, ctype, sqlType, 0, rows_, error)) return false;
    clear();
    return true;
  }
  // Executes a statement whose parameters are the rows one after another (value, then key
  // columns, for each row): one statement for the whole batch.
  bool executeJoined(Stmt& s, const std::vector<SQLSMALLINT>& ctype,
                     const std::vector<SQLSMALLINT>& sqlType, std::optional<DbError>& error) {
    if (rows_ == 0) return true;
    const std::size_t n = values_.size();
    buffers_.resize(n);
    lengths_.assign(n, std::vector<SQLLEN>(rows_));
    for (std::size_t p = 0; p < n; ++p) {
      std::size_t total = 0;
      for (const std::string& v : values_[p]) total += v.size() + 2;
      buffers_[p].assign(total, '\0');
      std::size_t at = 0;
      for (std::size_t r = 0; r < rows_; ++r) {
        const std::string& v = values_[p][r];
        std::memcpy(&buffers_[p][at], v.data(), v.size());
        lengths_[p][r] = static_cast<SQLLEN>(v.size());
        s.ok(SQLBindParameter(s.get(), static_cast<SQLUSMALLINT>(r * n + p + 1), SQL_PARAM_INPUT,
                              ctype[p], sqlType[p], std::max<SQLULEN>(v.size(), 1), 0,
                              &buffers_[p][at], static_cast<SQLLEN>(v.size() + 2),
                              &lengths_[p][r]));
        at += v.size() + 2;
      }
    }
    SQLSetStmtAttr(s.get(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
    const SQLRETURN rc = SQLExecute(s.get());
    const bool ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
    if (!ok) error = diagnosticError(SQL_HANDLE_STMT, s.get());
    SQLFreeStmt(s.get(), SQL_CLOSE);
    if (ok) clear();
    return ok;
  }
  // After a failed batch and its rollback: the first row that fails by itself, each try
  // rolled back; the batch size when every row passes alone.
  std::size_t failingRow(Stmt& s, SQLHDBC dbc, const std::vector<SQLSMALLINT>& ctype,
                         const std::vector<SQLSMALLINT>& sqlType) {
    std::optional<DbError> ignored;
    for (std::size_t r = 0; r < rows_; ++r) {
      const bool ok = execute(s, ctype, sqlType, r, 1, ignored);
      SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
      if (!ok) return r;
    }
    return rows_;
  }
  void clear() {
    for (auto& v : values_) v.clear();
    rows_ = 0;
  }

 private:
  bool execute(Stmt& s, const std::vector<SQLSMALLINT>& ctype,
               const std::vector<SQLSMALLINT>& sqlType, std::size_t first, std::size_t count,
               std::optional<DbError>& error) {
    buffers_.resize(values_.size());
    lengths_.resize(values_.size());
    for (std::size_t p = 0; p < values_.size(); ++p) {
      std::size_t width = 2;
      for (std::size_t r = first; r < first + count; ++r)
        width = std::max(width, values_[p][r].size() + 2);
      buffers_[p].assign(width * count, '\0');
      lengths_[p].resize(count);
      for (std::size_t r = 0; r < count; ++r) {
        const std::string& v = values_[p][first + r];
        std::memcpy(&buffers_[p][r * width], v.data(), v.size());
        lengths_[p][r] = static_cast<SQLLEN>(v.size());
      }
      s.ok(SQLBindParameter(s.get(), static_cast<SQLUSMALLINT>(p + 1), SQL_PARAM_INPUT, ctype[p],
                            sqlType[p], std::max<SQLULEN>(width - 2, 1), 0, buffers_[p].data(),
                            static_cast<SQLLEN>(width), lengths_[p].data()));
    }
    status_.assign(count, SQL_PARAM_UNUSED);
    SQLSetStmtAttr(s.get(), SQL_ATTR_PARAM_BIND_TYPE,
                   reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0);
    s.ok(SQLSetStmtAttr(s.get(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(count), 0));
    SQLSetStmtAttr(s.get(), SQL_ATTR_PARAM_STATUS_PTR, status_.data(), 0);
    const SQLRETURN rc = SQLExecute(s.get());
    const bool ok = (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) &&
                    std::find(status_.begin(), status_.end(), SQL_PARAM_ERROR) == status_.end();
    if (!ok) error = diagnosticError(SQL_HANDLE_STMT, s.get());
    // The rows the statement changed, read before the statement is closed (-1: not said).
    rowCount_ = -1;
    if (rc == SQL_NO_DATA)
      rowCount_ = 0;
    else if (ok && !SQL_SUCCEEDED(SQLRowCount(s.get(), &rowCount_)))
      rowCount_ = -1;
    SQLFreeStmt(s.get(), SQL_CLOSE);
    return ok;
  }

  std::vector<std::vector<std::string>> values_;
  std::size_t capacity_;
  std::size_t rows_ = 0;
  std::vector<std::string> buffers_;
  std::vector<std::vector<SQLLEN>> lengths_;
  std::vector<SQLUSMALLINT> status_;
  SQLLEN rowCount_ = -1;
};

constexpr std::size_t kBatchRows = 1000;

// How a column's rewrite keeps other sessions' writes: by the database's own statements
// where the driver names a database we know, else by serializable isolation and a check of
// each row against the value read.
enum class Guard { kLockTable, kForUpdate, kTableHint, kWriteFirst, kSerializable };

Guard guardFor(const std::string& dbms) {
  auto is = [&](const char* name) {
    return strncasecmp(dbms.c_str(), name, std::strlen(name)) == 0;
  };
  if (is("PostgreSQL") || is("Oracle")) return Guard::kLockTable;
  if (is("MySQL") || is("MariaDB")) return Guard::kForUpdate;
  if (is("Microsoft SQL Server")) return Guard::kTableHint;
  if (is("SQLite")) return Guard::kWriteFirst;
  return Guard::kSerializable;
}

// The rewrite through an ODBC driver: the rows read by a statement, the changed values sent
// as parameter arrays, either as updates by key or (PostgreSQL) into a temporary table that
// one join writes from at the end.
class OdbcRewrite final : public RewriteDriver {
 public:
  struct Plan {
    std::string table, rows, column, label, scratch;  // names as SQL; `label` for messages
    std::vector<std::string> keys, keyNames;          // the key columns, as SQL and as named
    std::vector<SQLSMALLINT> keySqlTypes;
    SQLSMALLINT valueType = SQL_C_CHAR, valueSqlType = SQL_VARCHAR;
    Guard guard = Guard::kSerializable;
    bool joined = false;
  };
  OdbcRewrite(SQLHDBC dbc, Plan plan) : dbc_(dbc), p_(std::move(plan)), read_(dbc), write_(dbc) {
    const bool check = p_.guard == Guard::kSerializable;
    ctype_.push_back(p_.valueType);
    sqlType_.push_back(p_.valueSqlType);
    for (const SQLSMALLINT t : p_.keySqlTypes) {
      ctype_.push_back(SQL_C_CHAR);
      sqlType_.push_back(t);
    }
    if (check) {  // the value as it was read
      ctype_.push_back(p_.valueType);
      sqlType_.push_back(p_.valueSqlType);
    }
    // Checked one row a statement: drivers count the rows of a parameter array differently.
    batch_ = std::make_unique<UpdateBatch>(ctype_.size(), check ? 1 : kBatchRows);
  }

  std::uint64_t begin() override {
    isolation_ = std::make_unique<Isolation>(dbc_, p_.guard == Guard::kSerializable);
    transaction_ = std::make_unique<Transaction>(dbc_);
    // No one else writes the table between the reading of a row and its writing back.
    switch (p_.guard) {
      case Guard::kLockTable:
        Stmt(dbc_).exec("LOCK TABLE " + p_.table + " IN EXCLUSIVE MODE");
        break;
      case Guard::kWriteFirst:  // the database's write lock, taken before the first read
        Stmt(dbc_).exec("UPDATE " + p_.table + " SET " + p_.column + " = " + p_.column +
                        " WHERE 1 = 0");
        break;
      default: break;
    }
    std::uint64_t count = 0;
    {
      Stmt counter(dbc_);
      counter.exec("SELECT COUNT(*) FROM " + p_.rows);
      if (counter.fetch()) count = static_cast<std::uint64_t>(counter.integer(1));
    }
    std::string select = "SELECT ";
    std::string update = "UPDATE " + p_.rows + " SET " + p_.column + " = ? WHERE ";
    for (std::size_t i = 0; i < p_.keys.size(); ++i) {
      select += p_.keys[i] + ", ";
      update += (i ? " AND " : "") + p_.keys[i] + " = ?";
    }
    select += p_.column + " FROM " + p_.rows;
    if (p_.guard == Guard::kTableHint) select += " WITH (TABLOCKX, HOLDLOCK)";
    if (p_.guard == Guard::kForUpdate) select += " FOR UPDATE";
    // Elsewhere a row changed since it was read is not written: its update finds no row,
    // and the column fails.
    if (p_.guard == Guard::kSerializable) update += " AND " + p_.column + " = ?";
    if (p_.joined) Stmt(dbc_).exec(pg_staging::createScratch(p_.scratch, p_.rows, p_.column, p_.keys));
    read_.exec(select);
    write_.prepare(update);
    return count;
  }

  bool read(std::vector<const std::string_view*>& values) override {
    values.clear();
    const std::size_t keyCount = p_.keys.size();
    const int valueColumn = static_cast<int>(keyCount) + 1;
    std::size_t n = 0;
    while (n < kBatchRows && read_.fetch()) {
      if (rows_.size() == n) rows_.emplace_back(keyCount + 1);
      std::vector<std::string>& row = rows_[n];
      for (std::size_t i = 0; i < keyCount; ++i)
        read_.data(static_cast<int>(i) + 1, SQL_C_CHAR, row[i + 1]);
      nulls_.resize(n + 1);
      nulls_[n] = !read_.data(valueColumn, p_.valueType, row[0]);
      ++n;
    }
    if (n == 0) {
      read_.close();
      return false;
    }
    views_.resize(n);
    values.resize(n);
    for (std::size_t r = 0; r < n; ++r) {
      views_[r] = rows_[r][0];
      values[r] = nulls_[r] ? nullptr : &views_[r];
    }
    return true;
  }

  void stage(const std::vector<Change>& changes) override {
    const bool check = p_.guard == Guard::kSerializable;
    std::vector<std::string> row(ctype_.size());
    for (const Change& ch : changes) {
      row[0].assign(ch.stored);
      for (std::size_t i = 0; i < p_.keys.size(); ++i) row[i + 1] = rows_[ch.row][i + 1];
      if (check) row.back().assign(ch.read);
      batch_->add(row);
      const std::string key = check ? batch_->key(batch_->size() - 1, p_.keyNames) : std::string();
      if (batch_->full()) flush();
      if (!check) continue;
      if (batch_->rowCount() == 0)
        throw DbError(formatted(tr("a row of %s was changed by another session while it was "
                                   "converted: the column is left as it was; convert it again"),
                                p_.label.c_str()))
            .atRow(key);
    }
  }

  void finish(bool changed) override {
    flush();
    if (p_.joined && changed) {
      Stmt(dbc_).exec("ANALYZE " + p_.scratch);
      Stmt(dbc_).exec(pg_staging::joinUpdate(p_.scratch, p_.rows, p_.table, p_.column, "", p_.keys));
    }
    transaction_->commit();
  }

 private:
  std::string insertRows(std::size_t rows) const {
    std::string sql = "INSERT INTO " + p_.scratch + " VALUES ";
    for (std::size_t r = 0; r < rows; ++r) {
      sql += r ? ", (?" : "(?";
      for (std::size_t i = 0; i < p_.keys.size(); ++i) sql += ", ?";
      sql += ")";
    }
    return sql;
  }
  void flush() {
    UpdateBatch& batch = *batch_;
    std::optional<DbError> error;
    bool done = false;
    if (p_.joined && batch.size() > 0) {
      if (!bulk_ || bulkRows_ != batch.size()) {
        bulk_ = std::make_unique<Stmt>(dbc_);
        bulk_->prepare(insertRows(batch.size()));
        bulkRows_ = batch.size();
      }
      done = batch.executeJoined(*bulk_, ctype_, sqlType_, error);
    } else {
      done = batch.execute(write_, ctype_, sqlType_, error);
    }
    if (done) return;
    // The driver's own account of which row failed is not to be trusted (psqlODBC names
    // another): the rows of the batch are tried alone, each try rolled back.
    SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    const std::size_t failed = batch.failingRow(write_, dbc_, ctype_, sqlType_);
    DbError e = error ? *error : DbError(tr("the update failed without diagnostics"));
    if (failed < batch.size()) e.atRow(batch.key(failed, p_.keyNames));
    throw e;
  }

  SQLHDBC dbc_;
  Plan p_;
  std::vector<SQLSMALLINT> ctype_, sqlType_;
  std::unique_ptr<Isolation> isolation_;
  std::unique_ptr<Transaction> transaction_;
  Stmt read_, write_;
  std::unique_ptr<Stmt> bulk_;
  std::size_t bulkRows_ = 0;
  std::unique_ptr<UpdateBatch> batch_;
  std::vector<std::vector<std::string>> rows_;  // the block read: value, then key columns
  std::vector<bool> nulls_;
  std::vector<std::string_view> views_;
};

}  // namespace

namespace {

// A driver that cannot read a column's bytes as text (psqlODBC's Unicode driver on a SQL_ASCII
// database: "invalid byte sequence for encoding UTF8") says so without naming the column, or
// the way out.
DbError explained(const DbError& e, const ColumnRef& ref) {
  const std::string what = e.what();
  if (what.find("invalid byte sequence") == std::string::npos) return e;
  DbError out(ref.label() + ": " + what +
                  "\nThe column holds bytes that are no text of the encoding the driver reads "
                  "(a SQL_ASCII database through psqlODBC's Unicode driver): connect through its "
                  "ANSI driver (\"PostgreSQL ANSI\"), which passes the bytes as they are",
              e.native(), e.state(), e.codes());
  if (!e.row().empty()) out.atRow(e.row());
  return out;
}

}  // namespace

ColumnReport OdbcBackend::convertColumn(const ColumnRef& ref, ValueConverter& converter,
                                        RunObserver& observer) {
  ColumnReport report;
  report.column = ref;
  try {
    const TableId t = table(ref.table);
    const Column col = column(ref);
    if (!isCharacter(col.dataType)) {
      // Marked by hand: its values are not text, and they are never replaced by display texts.
      Stmt count(h_->dbc);
      count.exec("SELECT COUNT(*), COUNT(" + quote(col.name) + ") FROM " + qualified(t));
      if (count.fetch()) {
        report.records = static_cast<std::uint64_t>(count.integer(1));
        report.skipped = static_cast<std::uint64_t>(count.integer(2));
        report.nulls = report.records - report.skipped;
      }
      return report;
    }
    const std::vector<Column> key = rowKey(t);
    if (key.empty())
      throw DbError(formatted(tr("the table '%s' has neither a primary key nor a row identifier: "
                                 "its rows cannot be addressed, and it is left as it is"),
                              ref.table.c_str()));
    OdbcRewrite::Plan plan;
    plan.table = qualified(t);
    plan.rows = ownRows(t);
    plan.column = quote(col.name);
    plan.label = ref.label();
    const bool wide = isWide(col.dataType);
    plan.valueType = static_cast<SQLSMALLINT>(wide ? SQL_C_WCHAR : SQL_C_CHAR);
    plan.valueSqlType = static_cast<SQLSMALLINT>(col.dataType);
    for (const Column& k : key) {
      plan.keys.push_back(quote(k.name));
      plan.keyNames.push_back(k.name);
      plan.keySqlTypes.push_back(
          static_cast<SQLSMALLINT>(k.dataType == 0 ? SQL_VARCHAR : k.dataType));
    }
    plan.guard = rowCheck_ ? Guard::kSerializable : guardFor(dbms_);
    // PostgreSQL's driver sends parameter arrays one row at a time, and a join of each batch
    // with the table scans the table again: there the new values go into a temporary table,
    // a batch per statement, and one join at the end writes them all.
    plan.joined = dbms_ == "PostgreSQL";
    plan.scratch = quote("tessaro_column");
    OdbcRewrite driver(h_->dbc, std::move(plan));
    rewriteColumn(driver, converter, observer,
                  wide ? ColumnPass::Storage::kUtf16 : ColumnPass::Storage::kBytes, report);
  } catch (const DbError& e) {
    report.fail(explained(e, ref));
  }
  return report;
}

void OdbcBackend::readColumn(const ColumnRef& ref,
                             const std::function<bool(const StoredValue&)>& visit) {
  try {
    readValues(ref, visit);
  } catch (const DbError& e) {
    throw explained(e, ref);
  }
}

void OdbcBackend::readValues(const ColumnRef& ref,
                             const std::function<bool(const StoredValue&)>& visit) {
  const TableId t = table(ref.table);
  const Column col = column(ref);
  const std::vector<Column> key = rowKey(t);
  const bool wide = isWide(col.dataType);
  std::string select = "SELECT ", order;
  for (const Column& k : key) {
    select += quote(k.name) + ", ";
    order += (order.empty() ? " ORDER BY " : ", ") + quote(k.name);
  }
  Stmt s(h_->dbc);
  s.exec(select + quote(col.name) + " FROM " + qualified(t) + order);
  const WideValues carrier(0, 0), asUtf8(kUtf8, kUtf8);
  std::string value, bytes, part, utf8;
  const int valueColumn = static_cast<int>(key.size()) + 1;
  while (s.fetch()) {
    StoredValue v;
    for (std::size_t i = 0; i < key.size(); ++i) {
      s.data(static_cast<int>(i) + 1, SQL_C_CHAR, part);
      v.key += (i ? ", " : "") + key[i].name + " = " + part;
    }
    if (!s.data(valueColumn, wide ? SQL_C_WCHAR : SQL_C_CHAR, value)) {
      v.type = StoredValue::Type::kNull;
    } else if (wide) {
      v.type = StoredValue::Type::kText;
      const std::u16string units = unitsOf(value);
      if (asUtf8.toBytes(units, utf8)) v.unicode = utf8;
      v.uncarried = !carrier.toBytes(units, bytes);
      v.bytes = bytes;
    } else {
      v.type = StoredValue::Type::kText;
      v.bytes = value;
    }
    if (!visit(v)) return;
  }
}

TableData OdbcBackend::tableData(const std::string& name, std::size_t maxRows) {
  const TableId t = table(name);
  TableData d;
  {
    Stmt count(h_->dbc);
    count.exec("SELECT COUNT(*) FROM " + qualified(t));
    if (count.fetch()) d.total = static_cast<std::uint64_t>(count.integer(1));
  }
  Stmt s(h_->dbc);
  SQLUSMALLINT status = SQL_ROW_SUCCESS;
  SQLSetStmtAttr(s.get(), SQL_ATTR_ROW_STATUS_PTR, &status, 0);
  s.exec("SELECT * FROM " + qualified(t));
  const int n = s.columns();
  std::vector<bool> wide;
  for (int i = 1; i <= n; ++i) {
    SQLCHAR columnName[512] = {};
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    s.ok(SQLDescribeCol(s.get(), static_cast<SQLUSMALLINT>(i), columnName, sizeof columnName,
                        &length, &type, &size, &digits, &nullable));
    d.headers.emplace_back(reinterpret_cast<const char*>(columnName));
    wide.push_back(isWide(type));
  }
  std::string value;
  while (d.rows.size() < maxRows && s.fetch()) {
    std::vector<std::string> row;
    for (int i = 1; i <= n; ++i) {
      if (status == SQL_ROW_DELETED) {
        row.emplace_back("<DELETED>");
      } else if (status == SQL_ROW_NOROW) {
        row.emplace_back("<NO_ROW>");
      } else if (!s.data(i, wide[static_cast<std::size_t>(i - 1)] ? SQL_C_WCHAR : SQL_C_CHAR,
                         value)) {
        row.emplace_back("<NULL>");
      } else {
        row.push_back(wide[static_cast<std::size_t>(i - 1)] ? utf8OfUnits(unitsOf(value)) : value);
      }
    }
    d.rows.push_back(std::move(row));
  }
  return d;
}

namespace {

const char* kColumnHeaders = "Name,Type,Length,Precision,Scale,Radix,Nullable";
const char* kTableHeaders = "Name,Type,Qualifier,Owner,Remarks";

std::vector<std::string> columnRow(const OdbcBackend::Column& c) {
  return {c.name,
          c.typeName,
          std::to_string(c.length),
          std::to_string(c.size),
          std::to_string(c.scale),
          c.hasRadix ? std::to_string(c.radix) : "<na>",
          c.nullable == 0   ? "nO"
          : c.nullable == 1 ? "Yes"
                            : "Unknown"};
}

}  // namespace

PropertyTable OdbcBackend::properties(const SchemaTree& tree, int item) {
  PropertyTable p;
  const SchemaItem& it = tree.item(item);
  switch (it.kind) {
    case ItemKind::kTable: {
      p = PropertyTable::ofObjects(kColumnHeaders);
      for (const Column& c : catalogColumns(table(it.text))) p.rows.push_back(columnRow(c));
      break;
    }
    case ItemKind::kTables: {
      p = PropertyTable::ofObjects(kTableHeaders);
      for (const TableId& t : catalogTables("'TABLE'"))
        p.rows.push_back({t.name, t.type, t.catalog, t.schema, t.remarks});
      break;
    }
    case ItemKind::kColumn:
      p = PropertyTable::ofColumn(tree, item, kColumnHeaders,
                                  [&](const ColumnRef& ref) { return columnRow(column(ref)); });
      break;
    default: break;
  }
  return p;
}

}  // namespace ts::db
