#include "maria_backend.hpp"

#include <mysql.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>

#include "server_rewrite.hpp"
#include "ts/platform/messages.hpp"
#include "ts/db/conversion.hpp"
#include "ts/db/schema.hpp"
#include "ts/db/wide.hpp"

namespace ts::db {

using ts::platform::formatted;
using ts::platform::tr;

namespace {

DbError errorOf(MYSQL* c, const std::string& context = {}) {
  const std::string state = mysql_sqlstate(c);
  return DbError((context.empty() ? "" : context + ": ") + mysql_error(c) + "\nState: " + state +
                     ", Native: " + std::to_string(mysql_errno(c)) + ", Source: MariaDB",
                 static_cast<long>(mysql_errno(c)), state, DbError::Codes::kMariaDb);
}

void exec(MYSQL* c, const std::string& sql) {
  if (mysql_real_query(c, sql.data(), sql.size()) != 0) throw errorOf(c);
  // A statement that gives rows gives none here: they are read and dropped.
  if (MYSQL_RES* r = mysql_store_result(c)) mysql_free_result(r);
}

// Rows of a query, stored whole (catalogue queries and blocks of a column).
class Rows {
 public:
  Rows(MYSQL* c, const std::string& sql) {
    if (mysql_real_query(c, sql.data(), sql.size()) != 0) throw errorOf(c);
    r_ = mysql_store_result(c);
    if (r_ == nullptr && mysql_field_count(c) != 0) throw errorOf(c);
  }
  ~Rows() {
    if (r_ != nullptr) mysql_free_result(r_);
  }
  Rows(const Rows&) = delete;
  Rows& operator=(const Rows&) = delete;
  // The next row; false after the last.
  bool next() {
    if (r_ == nullptr) return false;
    row_ = mysql_fetch_row(r_);
    lengths_ = row_ != nullptr ? mysql_fetch_lengths(r_) : nullptr;
    return row_ != nullptr;
  }
  bool null(unsigned i) const { return row_[i] == nullptr; }
  std::string_view view(unsigned i) const {
    return row_[i] == nullptr ? std::string_view() : std::string_view(row_[i], lengths_[i]);
  }
  std::string text(unsigned i) const { return std::string(view(i)); }
  unsigned fields() const { return r_ == nullptr ? 0 : mysql_num_fields(r_); }
  MYSQL_RES* get() const { return r_; }

 private:
  MYSQL_RES* r_ = nullptr;
  MYSQL_ROW row_ = nullptr;
  unsigned long* lengths_ = nullptr;
};

std::string quoteName(const std::string& name) {
  std::string q = "`";
  for (const char c : name) {
    if (c == '`') q.push_back('`');
    q.push_back(c);
  }
  return q + "`";
}

// A literal of any bytes: _binary'...' escaped by the client library.
std::string binaryLiteral(MYSQL* c, std::string_view bytes) {
  std::string out(bytes.size() * 2 + 1, '\0');
  out.resize(mysql_real_escape_string(c, out.data(), bytes.data(), bytes.size()));
  return "_binary'" + out + "'";
}
std::string textLiteral(MYSQL* c, std::string_view text) {
  std::string out(text.size() * 2 + 1, '\0');
  out.resize(mysql_real_escape_string(c, out.data(), text.data(), text.size()));
  return "'" + out + "'";
}

std::string percentDecoded(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool transactional(const std::string& engine) {
  std::string e = engine;
  for (char& ch : e) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return e == "innodb" || e == "xtradb";
}

constexpr int kBlockRows = 10000;
constexpr std::size_t kStatementBytes = 1 << 20;

// The rewrite through Connector/C: the table locked (LOCK TABLES ... WRITE inside the
// transaction, as the server documents it for InnoDB), the rows read in blocks by their key,
// the changed values staged in a temporary table beside their keys, one join writing them.
class MariaRewrite final : public RewriteDriver {
 public:
  // `locked`: what is done first under the table's lock (may be empty).
  MariaRewrite(MYSQL* c, std::string table, std::string column, std::vector<std::string> key,
               std::function<void()> locked)
      : c_(c),
        table_(std::move(table)),
        column_(std::move(column)),
        key_(std::move(key)),
        locked_(std::move(locked)) {
    for (std::size_t i = 0; i < key_.size(); ++i) {
      keyList_ += (i ? ", " : "") + key_[i];
      join_ += (i ? " AND " : "") + table_ + "." + key_[i] + " = x.k" + std::to_string(i);
    }
  }
  ~MariaRewrite() override {
    if (open_) {
      mysql_query(c_, "ROLLBACK");
      mysql_query(c_, "UNLOCK TABLES");
      mysql_query(c_, "DROP TEMPORARY TABLE IF EXISTS tessaro_column");
      mysql_query(c_, "SET autocommit = 1");
    }
  }

  std::uint64_t begin() override {
    exec(c_, "DROP TEMPORARY TABLE IF EXISTS tessaro_column");
    std::string keys;
    for (std::size_t i = 0; i < key_.size(); ++i) keys += key_[i] + " AS k" + std::to_string(i) + ", ";
    exec(c_, "CREATE TEMPORARY TABLE tessaro_column ENGINE=InnoDB SELECT " + keys + "CAST(" +
                 column_ + " AS BINARY) AS v FROM " + table_ + " WHERE 0");
    // Keyed as the table is, so that the join finds each staged row by its key.
    std::string staged;
    for (std::size_t i = 0; i < key_.size(); ++i) staged += (i ? ", k" : "k") + std::to_string(i);
    exec(c_, "ALTER TABLE tessaro_column ADD PRIMARY KEY (" + staged + ")");
    exec(c_, "SET autocommit = 0");
    open_ = true;
    try {
      exec(c_, "LOCK TABLES " + table_ + " WRITE");
    } catch (const DbError& e) {
      if (!e.busy()) throw;  // a lock wait timeout, a deadlock
      throw said::busy(table_, e);
    }
    if (locked_) locked_();
    Rows count(c_, "SELECT COUNT(*) FROM " + table_);
    count.next();
    return std::stoull(count.text(0));
  }

  bool read(std::vector<const std::string_view*>& values) override {
    std::string where;
    if (!last_.empty()) {
      // Numbers as numbers: a key compared with a string cannot use its index (every block
      // would read the whole table).
      std::string lasts;
      for (std::size_t i = 0; i < last_.size(); ++i)
        lasts += (i ? ", " : "") + (numeric_[i] ? last_[i] : textLiteral(c_, last_[i]));
      where = " WHERE (" + keyList_ + ") > (" + lasts + ")";
    }
    block_ = std::make_unique<Rows>(c_, "SELECT CAST(" + column_ + " AS BINARY), " + keyList_ +
                                            " FROM " + table_ + where + " ORDER BY " + keyList_ +
                                            " LIMIT " + std::to_string(kBlockRows));
    views_.clear();
    keys_.clear();
    nulls_.clear();
    if (numeric_.empty()) {
      const MYSQL_FIELD* fields = mysql_fetch_fields(block_->get());
      for (unsigned i = 1; i < block_->fields(); ++i)
        numeric_.push_back(IS_NUM(fields[i].type) && fields[i].type != MYSQL_TYPE_DECIMAL &&
                           fields[i].type != MYSQL_TYPE_NEWDECIMAL);
    }
    while (block_->next()) {
      views_.push_back(block_->view(0));
      nulls_.push_back(block_->null(0));
      std::vector<std::string> k;
      for (unsigned i = 1; i < block_->fields(); ++i) k.push_back(block_->text(i));
      keys_.push_back(std::move(k));
    }
    if (views_.empty()) return false;
    last_ = keys_.back();
    values.resize(views_.size());
    for (std::size_t i = 0; i < views_.size(); ++i) values[i] = nulls_[i] ? nullptr : &views_[i];
    return true;
  }

  void stage(const std::vector<Change>& changes) override {
    std::string sql;
    auto flush = [&] {
      if (sql.empty()) return;
      exec(c_, "INSERT INTO tessaro_column VALUES " + sql);
      sql.clear();
    };
    for (const Change& ch : changes) {
      std::string row = "(";
      for (std::size_t i = 0; i < keys_[ch.row].size(); ++i)
        row += (numeric_[i] ? keys_[ch.row][i] : textLiteral(c_, keys_[ch.row][i])) + ", ";
      row += binaryLiteral(c_, ch.stored) + ")";
      sql += (sql.empty() ? "" : ", ") + row;
      if (sql.size() > kStatementBytes) flush();
    }
    flush();
  }

  void finish(bool changed) override {
    if (changed)
      exec(c_, "UPDATE " + table_ + " JOIN tessaro_column x ON " + join_ + " SET " + table_ + "." +
                   column_ + " = x.v");
    exec(c_, "COMMIT");
    exec(c_, "UNLOCK TABLES");
    exec(c_, "DROP TEMPORARY TABLE IF EXISTS tessaro_column");
    exec(c_, "SET autocommit = 1");
    open_ = false;
  }

 private:
  MYSQL* c_;
  std::string table_, column_;
  std::vector<std::string> key_;
  std::function<void()> locked_;
  std::string keyList_, join_;
  bool open_ = false;
  std::unique_ptr<Rows> block_;
  std::vector<std::string_view> views_;
  std::vector<bool> nulls_;
  std::vector<std::vector<std::string>> keys_;
  std::vector<std::string> last_;
  std::vector<bool> numeric_;  // which key columns are numbers (written without quotes)
};

}  // namespace

bool MariaBackend::Column::generated() const {
  std::string e = extra;
  for (char& ch : e) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return e.find("GENERATED") != std::string::npos || e.find("VIRTUAL") != std::string::npos ||
         e.find("PERSISTENT") != std::string::npos || e.find("STORED") != std::string::npos;
}

bool MariaBackend::Column::text() const {
  static const char* const kText[] = {"char", "varchar", "tinytext", "text", "mediumtext",
                                      "longtext"};
  return !charset.empty() && charset != "binary" &&
         std::find(std::begin(kText), std::end(kText), dataType) != std::end(kText);
}

MariaBackend::MariaBackend(MYSQL* c) : conn_(c) {}
MariaBackend::~MariaBackend() { mysql_close(conn_); }

std::unique_ptr<MariaBackend> MariaBackend::connect(const std::string& source) {
  std::string rest = source;
  for (const char* scheme : {"mysql://", "mariadb://"})
    if (rest.rfind(scheme, 0) == 0) rest.erase(0, std::string(scheme).size());
  std::string query;
  if (const std::size_t q = rest.find('?'); q != std::string::npos) {
    query = rest.substr(q + 1);
    rest.resize(q);
  }
  std::string user, password, host, database;
  bool hasUser = false, hasPassword = false;
  unsigned port = 0;
  if (const std::size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string who = rest.substr(0, at);
    rest.erase(0, at + 1);
    const std::size_t colon = who.find(':');
    user = percentDecoded(who.substr(0, colon));
    hasUser = true;
    if (colon != std::string::npos) {
      password = percentDecoded(who.substr(colon + 1));
      hasPassword = true;
    }
  }
  const std::size_t slash = rest.find('/');
  std::string hostPort = rest.substr(0, slash);
  database = slash == std::string::npos ? "" : percentDecoded(rest.substr(slash + 1));
  if (const std::size_t colon = hostPort.rfind(':');
      colon != std::string::npos && hostPort.find(']') == std::string::npos) {
    port = static_cast<unsigned>(std::strtoul(hostPort.c_str() + colon + 1, nullptr, 10));
    hostPort.resize(colon);
  }
  host = percentDecoded(hostPort);
  if (database.empty()) throw DbError(tr("name the database: mysql://USER@HOST/DATABASE"));
  std::string socket, sslMode;
  for (std::size_t at = 0; at < query.size();) {
    const std::size_t amp = query.find('&', at);
    const std::string item = query.substr(at, amp == std::string::npos ? std::string::npos : amp - at);
    const std::size_t eq = item.find('=');
    const std::string key = item.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : percentDecoded(item.substr(eq + 1));
    if (key == "socket") socket = value;
    else if (key == "ssl-mode" || key == "sslmode") sslMode = value;
    else if (key == "password") password = value, hasPassword = true;
    else throw DbError(formatted(tr("unknown option '%s' in the source (socket, ssl-mode, password)"),
                                 key.c_str()));
    at = amp == std::string::npos ? query.size() : amp + 1;
  }

  MYSQL* c = mysql_init(nullptr);
  if (c == nullptr) throw DbError(tr("the MariaDB client library could not allocate a connection"));
  // The [client] group of the option files, as the mariadb client reads them.
  mysql_optionsv(c, MYSQL_READ_DEFAULT_GROUP, "client");
  mysql_optionsv(c, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  std::string mode = sslMode;
  for (char& ch : mode) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  if (!mode.empty() && mode != "DISABLED" && mode != "PREFERRED") {
    my_bool yes = 1;
    mysql_optionsv(c, MYSQL_OPT_SSL_ENFORCE, &yes);
    if (mode == "VERIFY_CA" || mode == "VERIFY_IDENTITY")
      mysql_optionsv(c, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &yes);
  }
  if (mysql_real_connect(c, host.empty() ? nullptr : host.c_str(),
                         hasUser ? user.c_str() : nullptr,
                         hasPassword ? password.c_str() : nullptr, database.c_str(), port,
                         socket.empty() ? nullptr : socket.c_str(), 0) == nullptr) {
    const DbError e = errorOf(c, mariaHidePassword(source));
    mysql_close(c);
    throw e;
  }
  std::unique_ptr<MariaBackend> b(new MariaBackend(c));
  b->database_ = database;
  b->server_ = mysql_get_server_info(c);
  // Strict: a value a column cannot hold fails its statement instead of being cut.
  exec(c, "SET SESSION sql_mode = CONCAT(@@sql_mode, ',STRICT_ALL_TABLES')");
  return b;
}

void MariaBackend::setLockTimeout(int milliseconds) {
  const std::string seconds = std::to_string(std::max(1, (milliseconds + 999) / 1000));
  exec(conn_, "SET SESSION lock_wait_timeout = " + seconds + ", innodb_lock_wait_timeout = " +
                  seconds);
}

bool MariaBackend::useCollation(const std::string& name) {
  Rows r(conn_, "SELECT CHARACTER_SET_NAME FROM information_schema.COLLATIONS WHERE "
                "COLLATION_NAME = " + textLiteral(conn_, name));
  if (!r.next() || r.text(0) != "utf8mb4")
    throw DbError(formatted(tr("--collation: the server has no utf8mb4 collation named '%s' (SHOW "
                               "COLLATION LIKE 'utf8mb4%%' lists them)"),
                            name.c_str()));
  collation_ = name;
  return true;
}

void MariaBackend::refresh() {
  tables_.clear();
  order_.clear();
  Rows r(conn_,
         "SELECT TABLE_NAME, TABLE_TYPE, COALESCE(ENGINE, ''), COALESCE(TABLE_COLLATION, ''), "
         "COALESCE(TABLE_COMMENT, '') FROM information_schema.TABLES WHERE TABLE_SCHEMA = "
         "DATABASE() ORDER BY TABLE_TYPE = 'VIEW', TABLE_NAME");
  while (r.next()) {
    Table t{r.text(0), r.text(2), r.text(3), r.text(4), r.text(1) == "VIEW"};
    order_.push_back(t.name);
    tables_.emplace(t.name, std::move(t));
  }
  named_ = true;
}

const MariaBackend::Table& MariaBackend::table(const std::string& name) {
  if (!named_) refresh();
  const auto it = tables_.find(name);
  if (it == tables_.end()) throw said::noTable(name);
  return it->second;
}

std::vector<MariaBackend::Column> MariaBackend::columns(const std::string& table) {
  Rows r(conn_,
         "SELECT COLUMN_NAME, COLUMN_TYPE, DATA_TYPE, COALESCE(CHARACTER_SET_NAME, ''), "
         "COALESCE(COLLATION_NAME, ''), IS_NULLABLE, COLUMN_DEFAULT, COLUMN_COMMENT, EXTRA, "
         "CHARACTER_MAXIMUM_LENGTH FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = "
         "DATABASE() AND TABLE_NAME = " +
             textLiteral(conn_, table) + " ORDER BY ORDINAL_POSITION");
  std::vector<Column> list;
  while (r.next()) {
    Column c;
    c.name = r.text(0);
    c.type = r.text(1);
    c.dataType = r.text(2);
    c.charset = r.text(3);
    c.collation = r.text(4);
    c.nullable = r.text(5);
    c.hasDefault = !r.null(6);
    c.defaultValue = r.text(6);
    c.comment = r.text(7);
    c.extra = r.text(8);
    if (!r.null(9)) c.length = std::stoll(r.text(9));
    list.push_back(std::move(c));
  }
  return list;
}

MariaBackend::Column MariaBackend::column(const ColumnRef& ref) {
  table(ref.table);
  for (Column& c : columns(ref.table))
    if (c.name == ref.column) return c;
  throw said::noColumn(ref);
}

std::vector<std::string> MariaBackend::primaryKey(const std::string& table) {
  Rows r(conn_,
         "SELECT COLUMN_NAME FROM information_schema.KEY_COLUMN_USAGE WHERE TABLE_SCHEMA = "
         "DATABASE() AND TABLE_NAME = " +
             textLiteral(conn_, table) + " AND CONSTRAINT_NAME = 'PRIMARY' ORDER BY ORDINAL_POSITION");
  std::vector<std::string> key;
  while (r.next()) key.push_back(r.text(0));
  return key;
}

void MariaBackend::fillSchema(SchemaTree& tree) {
  refresh();
  std::vector<ServerObject> objects;
  for (const std::string& name : order_) {
    const Table& t = tables_.at(name);
    ServerObject o{name, t.view, {}};
    if (!t.view)
      for (const Column& c : columns(name)) o.columns.push_back(c.name);
    objects.push_back(std::move(o));
  }
  fillServerTree(tree, "MariaDB " + database_, objects);
}

std::vector<TableInfo> MariaBackend::tables(bool countRows) {
  refresh();
  std::vector<TableInfo> list;
  for (const std::string& name : order_) {
    const Table& t = tables_.at(name);
    TableInfo info;
    info.name = name;
    info.view = t.view;
    try {
      for (const Column& c : columns(name)) {
        info.columns.push_back(serverColumn(
            c.name, c.type + (c.charset.empty() ? "" : " " + c.charset),
            c.text() && !c.generated() && !t.view, c.wide(), c.generated()));
      }
      if (countRows) {
        Rows n(conn_, "SELECT COUNT(*) FROM " + quoteName(name));
        if (n.next()) info.rows = std::stoll(n.text(0));
      }
    } catch (const DbError& e) {
      info.problem = e.what();
    }
    list.push_back(std::move(info));
  }
  return list;
}

bool MariaBackend::convertible(const ColumnRef& ref) {
  try {
    const Column c = column(ref);
    return c.text() && !c.wide() && !c.generated() && !table(ref.table).view;
  } catch (const DbError&) {
    return false;
  }
}

MariaBackend::ValueLimit MariaBackend::valueLimit(const ColumnRef& ref) {
  const Column c = column(ref);
  return {c.length, true};
}

std::string MariaBackend::widen(const Table& t, const Column& c) {
  const std::string collation =
      !collation_.empty()                     ? collation_
      : t.collation.rfind("utf8mb4_", 0) == 0 ? t.collation
                                              : std::string("utf8mb4_unicode_ci");
  std::string sql = "ALTER TABLE " + quoteName(t.name) + " MODIFY COLUMN " + quoteName(c.name) +
                    " " + c.type + " CHARACTER SET utf8mb4 COLLATE " + quoteName(collation) +
                    (c.nullable == "NO" ? " NOT NULL" : " NULL");
  if (c.hasDefault) sql += " DEFAULT " + c.defaultValue;
  if (!c.comment.empty()) sql += " COMMENT " + textLiteral(conn_, c.comment);
  try {
    exec(conn_, sql);
  } catch (const DbError& e) {
    throw DbError(formatted(tr("the column could not be changed to utf8mb4 (%s); it is left as it was"),
                            e.what()),
                  e.native(), e.state(), e.codes());
  }
  return collation;
}

namespace {

// A name as part of a file name: no slashes, no controls.
std::string fileNamePart(const std::string& name) {
  std::string out;
  for (const char ch : name)
    out += ch == '/' || static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F ? '_' : ch;
  return out;
}

// A file created for the dump (never one that exists), removed unless it was completed.
class DumpFile {
 public:
  DumpFile(const std::string& folder, const std::string& base) {
    for (int n = 1; f_ == nullptr; ++n) {
      path_ = (std::filesystem::absolute(folder).lexically_normal() /
               (base + (n > 1 ? "-" + std::to_string(n) : std::string()) + ".sql"))
                  .string();
      f_ = std::fopen(path_.c_str(), "wx");
      if (f_ == nullptr && errno != EEXIST)
        failed();
    }
  }
  ~DumpFile() {
    if (f_ != nullptr) {
      std::fclose(f_);
      std::remove(path_.c_str());
    }
  }
  DumpFile(const DumpFile&) = delete;
  DumpFile& operator=(const DumpFile&) = delete;
  void write(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), f_) != text.size()) failed();
  }
  // Flushed to the disk and closed: the dump is complete.
  std::string complete() {
    if (std::fflush(f_) != 0 || fsync(fileno(f_)) != 0) failed();
    FILE* f = f_;
    f_ = nullptr;
    if (std::fclose(f) != 0) {
      std::remove(path_.c_str());
      failed();
    }
    return path_;
  }

 private:
  [[noreturn]] void failed() {
    throw DbError(formatted(tr("the table could not be dumped first (%s: %s); it is left as it is"),
                            path_.c_str(), std::strerror(errno)));
  }
  std::string path_;
  FILE* f_ = nullptr;
};

std::string hexLiteral(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  if (bytes.empty()) return "''";
  std::string out = "X'";
  for (const char ch : bytes) {
    out += kDigits[static_cast<unsigned char>(ch) >> 4];
    out += kDigits[static_cast<unsigned char>(ch) & 15];
  }
  return out + "'";
}

}  // namespace

std::string MariaBackend::dump(const Table& t) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  DumpFile file(dumpFolder_, fileNamePart(database_) + "." + fileNamePart(t.name) + "." + stamp);
  const std::string name = quoteName(t.name);
  file.write("-- " + name + " of the database " + quoteName(database_) +
             ", dumped by tsdata before converting it.\n-- Restore it with: mariadb " +
             quoteName(database_) + " < THIS-FILE\nSET NAMES utf8mb4;\nSET FOREIGN_KEY_CHECKS = 0;\n"
             "DROP TABLE IF EXISTS " + name + ";\n");
  {
    Rows create(conn_, "SHOW CREATE TABLE " + name);
    if (!create.next())
      throw DbError(formatted(tr("the table %s could not be dumped: no definition"), name.c_str()));
    file.write(create.text(1) + ";\n");
  }
  std::string list;
  for (const Column& c : columns(t.name))
    if (!c.generated()) list += (list.empty() ? "" : ", ") + quoteName(c.name);
  // The stored bytes of every value: the results in no character set for the rows.
  exec(conn_, "SET character_set_results = binary");
  struct Restore {
    MYSQL* c;
    ~Restore() { mysql_query(c, "SET character_set_results = utf8mb4"); }
  } restore{conn_};
  const std::string select = "SELECT " + list + " FROM " + name;
  if (mysql_real_query(conn_, select.data(), select.size()) != 0) throw errorOf(conn_);
  const std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)> result(mysql_use_result(conn_),
                                                                mysql_free_result);
  if (result == nullptr) throw errorOf(conn_);
  const unsigned n = mysql_num_fields(result.get());
  const MYSQL_FIELD* fields = mysql_fetch_fields(result.get());
  std::string insert;
  while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
    const unsigned long* lengths = mysql_fetch_lengths(result.get());
    insert += insert.empty() ? "INSERT INTO " + name + " (" + list + ") VALUES\n(" : ",\n(";
    for (unsigned i = 0; i < n; ++i) {
      if (i > 0) insert += ", ";
      if (row[i] == nullptr)
        insert += "NULL";
      else if (IS_NUM(fields[i].type) && fields[i].type != MYSQL_TYPE_BIT)
        insert.append(row[i], lengths[i]);
      else
        insert += hexLiteral(std::string_view(row[i], lengths[i]));
    }
    insert += ")";
    if (insert.size() > kStatementBytes) {
      file.write(insert + ";\n");
      insert.clear();
    }
  }
  if (mysql_errno(conn_) != 0) throw errorOf(conn_);
  if (!insert.empty()) file.write(insert + ";\n");
  Rows triggers(conn_, "SELECT TRIGGER_NAME FROM information_schema.TRIGGERS WHERE "
                       "EVENT_OBJECT_SCHEMA = DATABASE() AND EVENT_OBJECT_TABLE = " +
                           textLiteral(conn_, t.name) + " ORDER BY ACTION_ORDER");
  while (triggers.next()) {
    Rows trigger(conn_, "SHOW CREATE TRIGGER " + quoteName(triggers.text(0)));
    if (trigger.next())
      file.write("SET SESSION sql_mode = " + textLiteral(conn_, trigger.text(1)) +
                 ";\nDELIMITER ;;\n" + trigger.text(2) + " ;;\nDELIMITER ;\n");
  }
  file.write("SET FOREIGN_KEY_CHECKS = 1;\n");
  return file.complete();
}

ColumnReport MariaBackend::convertColumn(const ColumnRef& ref, ValueConverter& converter,
                                         RunObserver& observer) {
  ColumnReport report;
  report.column = ref;
  std::string dumped;
  try {
    const Table t = table(ref.table);
    Column c = column(ref);
    if (t.view) throw said::aView(ref.table);
    if (!c.text() || c.generated()) {
      Rows counts(conn_, "SELECT COUNT(*), COUNT(" + quoteName(c.name) + ") FROM " +
                             quoteName(t.name));
      counts.next();
      report.records = std::stoull(counts.text(0));
      report.skipped = c.generated() ? 0 : std::stoull(counts.text(1));
      report.nulls = report.records - std::stoull(counts.text(1));
      if (c.generated()) report.notes.push_back(tr("a generated column: its values follow the others"));
      return report;
    }
    const bool undoable = transactional(t.engine);
    if (!undoable && dumpFolder_.empty())
      throw DbError(formatted(tr("the table's engine %s has no transactions: a failure half way "
                                 "could not be undone, and it is left as it is (--backup dumps it "
                                 "first; ALTER TABLE %s ENGINE=InnoDB gives it transactions)"),
                              t.engine.c_str(), quoteName(t.name).c_str()));
    const std::vector<std::string> key = primaryKey(t.name);
    if (key.empty())
      throw said::noRowKey(ref.table);
    const bool unicodeDestination = converter.to() == kUtf8 &&
                                    converter.operation() == ValueConverter::Operation::kConvert;
    const bool widening = unicodeDestination && !c.wide();
    if (widening && c.charset != "latin1" && c.charset != "ascii")
      throw DbError(formatted(tr("the column's character set %s is not latin1: its bytes are not "
                                 "known as the charset's, and it is left as it is"),
                              c.charset.c_str()));
    // Without transactions the table is dumped and widened under the rewrite's lock, so that
    // the dump holds what the conversion starts from.
    auto prepare = [&] {
      if (!undoable) {
        dumped = dump(t);
        report.notes.push_back(formatted(tr("dumped first to %s"), dumped.c_str()));
      }
      if (widening)
        report.notes.push_back(formatted(tr("changed to utf8mb4 (%s) first"), widen(t, c).c_str()));
    };
    if (undoable) prepare();
    std::vector<std::string> keyNames;
    for (const std::string& k : key) keyNames.push_back(quoteName(k));
    MariaRewrite driver(conn_, quoteName(t.name), quoteName(c.name), keyNames,
                        undoable ? std::function<void()>() : prepare);
    rewriteColumn(driver, converter, observer,
                  c.wide() || widening ? ColumnPass::Storage::kUtf8 : ColumnPass::Storage::kBytes,
                  report);
  } catch (const DbError& e) {
    if (dumped.empty()) {
      report.fail(e);
    } else {
      DbError told(std::string(e.what()).append(formatted(tr("\nThe table has no transactions: what was written "
                                           "stays; the dump %s restores it as it was."),
                                        dumped.c_str())),
                   e.native(), e.state(), e.codes());
      report.fail(told.atRow(e.row()));
    }
  }
  return report;
}

void MariaBackend::readColumn(const ColumnRef& ref,
                              const std::function<bool(const StoredValue&)>& visit) {
  const Table t = table(ref.table);
  const Column c = column(ref);
  const std::vector<std::string> key = primaryKey(t.name);
  std::string keyText = "''", order;
  if (!key.empty()) {
    keyText = "CONCAT_WS(', '";
    for (const std::string& k : key) {
      keyText += ", CONCAT(" + textLiteral(conn_, k + " = ") + ", " + quoteName(k) + ")";
      order += (order.empty() ? " ORDER BY " : ", ") + quoteName(k);
    }
    keyText += ")";
  }
  const std::string sql = "SELECT CAST(" + quoteName(c.name) + " AS BINARY), " + keyText +
                          " FROM " + quoteName(t.name) + order;
  if (mysql_real_query(conn_, sql.data(), sql.size()) != 0) throw errorOf(conn_);
  // Freed whatever happens (a visitor that throws included): the rows not read are read and
  // dropped, so that the connection takes the next statement.
  const std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)> result(mysql_use_result(conn_),
                                                                mysql_free_result);
  MYSQL_RES* r = result.get();
  if (r == nullptr) throw errorOf(conn_);
  const WideValues carrier(0, 0);
  std::string bytes;
  bool more = true;
  while (MYSQL_ROW row = mysql_fetch_row(r)) {
    if (!more) continue;  // the rest is read to the end and dropped
    const unsigned long* lengths = mysql_fetch_lengths(r);
    StoredValue v;
    v.key = row[1] != nullptr ? std::string(row[1], lengths[1]) : "";
    if (row[0] == nullptr) {
      v.type = StoredValue::Type::kNull;
    } else if (!c.text()) {
      v.type = StoredValue::Type::kOther;
    } else {
      v.type = StoredValue::Type::kText;
      const std::string_view value(row[0], lengths[0]);
      if (c.wide()) {
        v.unicode = value;
        v.uncarried = !carrier.utf8ToBytes(value, bytes);
        v.bytes = bytes;
      } else {
        v.bytes = value;
      }
    }
    more = visit(v);
  }
  if (mysql_errno(conn_) != 0) throw errorOf(conn_);
}

TableData MariaBackend::tableData(const std::string& name, std::size_t maxRows) {
  table(name);
  TableData d;
  {
    Rows n(conn_, "SELECT COUNT(*) FROM " + quoteName(name));
    if (n.next()) d.total = std::stoull(n.text(0));
  }
  Rows r(conn_, "SELECT * FROM " + quoteName(name) + " LIMIT " + std::to_string(maxRows));
  MYSQL_FIELD* fields = mysql_fetch_fields(r.get());
  for (unsigned i = 0; i < r.fields(); ++i) d.headers.emplace_back(fields[i].name);
  while (r.next()) {
    std::vector<std::string> cells;
    for (unsigned i = 0; i < r.fields(); ++i)
      cells.push_back(r.null(i) ? std::string("NULL") : r.text(i));
    d.rows.push_back(std::move(cells));
  }
  return d;
}

PropertyTable MariaBackend::properties(const SchemaTree& tree, int item) {
  PropertyTable p;
  const SchemaItem& it = tree.item(item);
  const char* kColumnHeaders = "Name,Type,Character Set,Collation,Description";
  auto row = [](const Column& c) {
    return std::vector<std::string>{c.name, c.type, c.charset, c.collation, c.comment};
  };
  switch (it.kind) {
    case ItemKind::kDatabase:
      p = PropertyTable::ofProperties({"Provider Name", "DBMS Name", "Database"},
                                      {std::string("MariaDB Connector/C ") +
                                           mysql_get_client_info(),
                                       server_, database_});
      break;
    case ItemKind::kTable:
      p = PropertyTable::ofObjects(kColumnHeaders);
      for (const Column& c : columns(it.text)) p.rows.push_back(row(c));
      break;
    case ItemKind::kColumn:
      p = PropertyTable::ofColumn(tree, item, kColumnHeaders,
                                  [&](const ColumnRef& ref) { return row(column(ref)); });
      break;
    default: break;
  }
  return p;
}

std::string mariaHidePassword(const std::string& source) {
  std::string s = source;
  const std::size_t start = s.find("://");
  if (start != std::string::npos) {
    const std::size_t from = start + 3;
    const std::size_t slash = s.find('/', from);
    const std::size_t at = s.rfind('@', slash == std::string::npos ? std::string::npos : slash);
    if (at != std::string::npos && at >= from) {
      const std::size_t colon = s.find(':', from);
      if (colon != std::string::npos && colon < at) s.replace(colon + 1, at - colon - 1, "***");
    }
  }
  for (std::size_t p = s.find("password="); p != std::string::npos;
       p = s.find("password=", p + 1)) {
    const std::size_t end = s.find('&', p);
    s.replace(p + 9, (end == std::string::npos ? s.size() : end) - p - 9, "***");
  }
  return s;
}

}  // namespace ts::db
