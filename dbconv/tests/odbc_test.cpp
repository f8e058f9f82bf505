// The ODBC back end through the unixODBC driver manager and real drivers: the SQLite ODBC
// driver on scratch files, and psqlODBC (ANSI on a SQL_ASCII database, where values are bytes;
// Unicode on a UTF8 database, where legacy bytes sit as Windows-1252 text) against a
// PostgreSQL server of the tests' own.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <memory>

#include "../src/odbc_backend.hpp"
#include "db_test_util.hpp"
#include "ts/db/conversion.hpp"
#include "ts/db/wide.hpp"
#include "ts/testing/postgres.hpp"
#include "ts/testing/process.hpp"
#include "ts/unicode.hpp"

namespace ts::db {
namespace {

namespace fs = std::filesystem;

enum class Driver { kSqlite, kPgAnsi, kPgUnicode };

std::string driverName(Driver d) {
  switch (d) {
    case Driver::kSqlite: return "Sqlite";
    case Driver::kPgAnsi: return "PgAnsi";
    default: return "PgUnicode";
  }
}

ts::testing::ScratchPostgres& cluster() {
  static ts::testing::ScratchPostgres server;
  return server;
}

using testing::convertBytes;
using testing::tcvn3;

std::string unhex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

class Odbc : public ts::testing::ScratchTest, public ::testing::WithParamInterface<Driver> {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    const Driver d = GetParam();
    if (d == Driver::kSqlite) {
      file_ = (dir_ / "t.db").string();
      testing::execSql(file_, "PRAGMA user_version = 1");
      connection_ = "DRIVER=SQLite3;Database=" + file_;
      return;
    }
    std::string name;
    for (char c : std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))
      name.push_back(
          std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '_');
    database_ = name + "_" + std::to_string(getpid());
    cluster().createDatabase(database_, d == Driver::kPgAnsi ? "SQL_ASCII" : "UTF8");
    connection_ = std::string("DRIVER={") +
                  (d == Driver::kPgAnsi ? "PostgreSQL ANSI" : "PostgreSQL Unicode") +
                  "};SERVER=127.0.0.1;PORT=" + std::to_string(cluster().port()) +
                  ";DATABASE=" + database_ + ";UID=postgres;PWD=";
    // psqlODBC's ANSI driver with its default settings: the back end has the legacy bytes
    // of a SQL_ASCII database travel as they are.
  }
  void TearDown() override {
    if (!database_.empty()) cluster().psql("postgres", "DROP DATABASE \"" + database_ + "\"");
    ScratchTest::TearDown();
  }
  bool postgres() const { return GetParam() != Driver::kSqlite; }

  void sql(const std::string& statements) {
    if (postgres())
      cluster().psql(database_, statements);
    else
      testing::execSql(file_, statements);
  }
  // A legacy value as the database holds it: its bytes, or in the UTF8 database the text
  // the bytes read as in Windows-1252.
  std::string stored(const std::string& bytes) const {
    if (GetParam() != Driver::kPgUnicode) return bytes;
    std::string text;
    WideValues(0, 0).bytesToUtf8(bytes, text);
    return text;
  }
  std::string literal(const std::string& bytes) const { return testing::quoteText(stored(bytes)); }
  // The values of a column in key order: their bytes (UTF-8 in the UTF8 database), "NULL".
  std::vector<std::string> values(const std::string& table, const std::string& column,
                                  const std::string& key = "id") {
    std::vector<std::string> out;
    if (postgres()) {
      const std::string rows =
          cluster().psql(database_, "SELECT coalesce(encode(textsend(" + column +
                                        "), 'hex'), 'NULL') "
                                        "FROM " +
                                        table + " ORDER BY " + key);
      std::size_t i = 0;
      for (std::size_t nl; (nl = rows.find('\n', i)) != std::string::npos; i = nl + 1) {
        const std::string v = rows.substr(i, nl - i);
        out.push_back(v == "NULL" ? v : unhex(v));
      }
      return out;
    }
    for (const auto& row :
         testing::query(file_, "SELECT " + column + " FROM " + table + " ORDER BY " + key))
      out.push_back(row[0]);
    return out;
  }
  std::unique_ptr<OdbcBackend> connect() { return OdbcBackend::connect(connection_); }

  std::string file_, database_, connection_;
};

std::vector<std::string> texts(const SchemaTree& t, int item) {
  std::vector<std::string> v;
  for (int c : t.item(item).children) v.push_back(t.item(c).text);
  return v;
}

TEST_P(Odbc, TreeFromTheCatalogConvertibleRuleAndMarks) {
  sql("CREATE TABLE zeta (id INTEGER PRIMARY KEY, name VARCHAR(40), note TEXT, n INTEGER, "
      "code CHAR(4));"
      "CREATE TABLE \"Mixed \"\"Name\"\" x\" (id INTEGER PRIMARY KEY, \"col;1\" VARCHAR(10));"
      "CREATE TABLE a_b (k INTEGER PRIMARY KEY, v TEXT);"
      "CREATE TABLE axb (k INTEGER PRIMARY KEY, w TEXT);"
      "CREATE VIEW names AS SELECT name FROM zeta;");
  auto b = connect();
  SchemaTree tree;
  b->fillSchema(tree);
  const int root = tree.root();
  EXPECT_EQ(tree.item(root).text, "Data Source");
  EXPECT_EQ(texts(tree, root), (std::vector<std::string>{"Tables", "Views"}));
  const int tables = tree.item(root).children[0], views = tree.item(root).children[1];
  EXPECT_EQ(tree.item(tables).kind, ItemKind::kTables);
  EXPECT_EQ(tree.item(views).kind, kViews);
  std::vector<std::string> names = texts(tree, tables);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Mixed \"Name\" x", "a_b", "axb", "zeta"}));
  EXPECT_EQ(texts(tree, views), (std::vector<std::string>{"names"}));
  EXPECT_TRUE(tree.item(tree.item(views).children[0]).children.empty());
  const int zeta = tree.find(tables, ItemKind::kTable, "zeta");
  EXPECT_EQ(texts(tree, zeta), (std::vector<std::string>{"id", "name", "note", "n", "code"}));
  // An escaped pattern: a_b's columns are its own, not axb's.
  EXPECT_EQ(texts(tree, tree.find(tables, ItemKind::kTable, "a_b")),
            (std::vector<std::string>{"k", "v"}));

  for (const char* c : {"name", "note", "code"}) EXPECT_TRUE(b->convertible({"zeta", c})) << c;
  for (const char* c : {"id", "n"}) EXPECT_FALSE(b->convertible({"zeta", c})) << c;

  // A click on the root marks its subtree: folders and tables take the mark, text columns
  // become marked and bold, the others stay unmarked.
  tree.clickBox(root, Propagation::kSubtree, [&](int column) {
    return b->convertible({tree.item(tree.tableOf(column)).text, tree.item(column).text});
  });
  EXPECT_TRUE(tree.marked(tables));
  EXPECT_TRUE(tree.marked(zeta));
  EXPECT_TRUE(tree.marked(tree.find(zeta, ItemKind::kColumn, "name")));
  EXPECT_TRUE(tree.item(tree.find(zeta, ItemKind::kColumn, "note")).bold);
  EXPECT_FALSE(tree.marked(tree.find(zeta, ItemKind::kColumn, "n")));

  // Properties: the columns of a table and a column's own.
  const PropertyTable columns = b->properties(tree, zeta);
  EXPECT_EQ(columns.headers, (std::vector<std::string>{"Name", "Type", "Length", "Precision",
                                                       "Scale", "Radix", "Nullable"}));
  ASSERT_EQ(columns.rows.size(), 5u);
  EXPECT_EQ(columns.rows[1][0], "name");
  EXPECT_EQ(columns.rows[1][3], "40");
  const PropertyTable one = b->properties(tree, tree.find(zeta, ItemKind::kColumn, "note"));
  ASSERT_EQ(one.rows.size(), 7u);
  EXPECT_EQ(one.rows[0], (std::vector<std::string>{"Name", "note"}));
  EXPECT_EQ(b->properties(tree, tables).headers,
            (std::vector<std::string>{"Name", "Type", "Qualifier", "Owner", "Remarks"}));
}

TEST_P(Odbc, ConvertsQuotedNamesWholeValuesNullsAndTrailingBlanks) {
  const std::string viet = tcvn3("Việt Nam"), blanks = tcvn3("Tiếng Việt   ");
  std::string longValue;
  while (longValue.size() < 10000) longValue += tcvn3("Người ");
  longValue.resize(10000);
  sql("CREATE TABLE \"t \"\"q\"\" x\" (id INTEGER PRIMARY KEY, \"v;a\" TEXT, n INTEGER);"
      "INSERT INTO \"t \"\"q\"\" x\" VALUES (1, " +
      literal(viet) + ", 5), (2, NULL, 6), (3, " + literal(blanks) + ", 7), (4, " +
      literal(longValue) +
      ", 8), (5, 'plain', 9);"
      "CREATE TABLE empty (id INTEGER PRIMARY KEY, v TEXT);");
  auto b = connect();
  SchemaTree tree;
  b->fillSchema(tree);
  tree.toggle(findColumnItem(tree, {"t \"q\" x", "v;a"}));
  tree.toggle(findColumnItem(tree, {"empty", "v"}));
  tree.toggle(findColumnItem(tree, {"t \"q\" x", "n"}));  // not text: counted, left alone
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver quiet;
  const RunReport run = runConversion(*b, tree, converter, quiet);
  ASSERT_EQ(run.columns.size(), 3u) << run.columns[0].error;
  auto reportOf = [&](const std::string& column) {
    for (const ColumnReport& c : run.columns)
      if (c.column.column == column) return c;
    return ColumnReport{};
  };
  const ColumnReport r = reportOf("v;a");
  EXPECT_EQ(reportOf("n").skipped, 5u);
  EXPECT_EQ(reportOf("n").converted, 0u);
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(r.records, 5u);
  EXPECT_EQ(r.converted, 3u);
  EXPECT_EQ(r.nulls, 1u);
  EXPECT_EQ(r.unchanged, 1u);
  const ColumnReport e = reportOf("v");
  EXPECT_FALSE(e.failed) << e.error;
  EXPECT_EQ(e.records, 0u);
  const std::vector<std::string> got = values("\"t \"\"q\"\" x\"", "\"v;a\"");
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0], "Việt Nam");
  EXPECT_EQ(got[1], "NULL");
  EXPECT_EQ(got[2], "Tiếng Việt   ");
  EXPECT_EQ(got[3], convertBytes(longValue, kTcvn3, kUtf8));
  EXPECT_EQ(got[4], "plain");

  // Back from UTF-8 to VNI: in the UTF8 database the VNI bytes are stored as their
  // Windows-1252 text.
  ValueConverter back(kUtf8, kVniWin);
  const ColumnReport again = b->convertColumn({"t \"q\" x", "v;a"}, back, quiet);
  EXPECT_FALSE(again.failed) << again.error;
  EXPECT_EQ(values("\"t \"\"q\"\" x\"", "\"v;a\"")[0],
            stored(convertBytes("Việt Nam", kUtf8, kVniWin)));

  // Read back through the driver as the dry run sees it.
  const DryRun dry = dryRun(*b, {"t \"q\" x", "v;a"}, back, 5);
  EXPECT_EQ(dry.counts.records, 5u);
  EXPECT_EQ(dry.counts.nulls, 1u);
}

TEST_P(Odbc, AValueTooLongRollsTheColumnBackAndEndsTheRun) {
  // SQLite does not hold VARCHAR(n) to its length: a check does.
  // "Nguyễn Văn Anh" takes 14 bytes in TCVN3 and 16 in VNI.
  const std::string column =
      postgres() ? "v VARCHAR(15)" : "v TEXT CHECK (length(CAST(v AS BLOB)) <= 15)";
  std::string insert;
  for (int i = 1; i <= 2500; ++i)  // more than one batch
    insert += std::string(insert.empty() ? "" : ", ") + "(" + std::to_string(i) + ", " +
              literal(i == 2400 ? tcvn3("Nguyễn Văn Anh") : tcvn3("Việt")) + ")";
  sql("CREATE TABLE t (id INTEGER PRIMARY KEY, " + column +
      ");"
      "CREATE TABLE u (id INTEGER PRIMARY KEY, w TEXT);"
      "INSERT INTO t VALUES " +
      insert +
      ";"
      "INSERT INTO u VALUES (1, " +
      literal(tcvn3("Việt")) + ");");
  const std::vector<std::string> before = values("t", "v");
  auto b = connect();
  SchemaTree tree;
  b->fillSchema(tree);
  tree.toggle(findColumnItem(tree, {"t", "v"}));
  tree.toggle(findColumnItem(tree, {"u", "w"}));
  ValueConverter converter(kTcvn3, kVniWin);
  RunObserver quiet;
  const RunReport run = runConversion(*b, tree, converter, quiet);
  ASSERT_EQ(run.columns.size(), 1u);  // the failure ended the run
  EXPECT_TRUE(run.ended);
  EXPECT_TRUE(run.columns[0].failed);
  EXPECT_NE(run.columns[0].error.find("State:"), std::string::npos) << run.columns[0].error;
  EXPECT_EQ(run.columns[0].row, "id = 2400");
  EXPECT_EQ(values("t", "v"), before);
  EXPECT_EQ(values("u", "w")[0], stored(tcvn3("Việt")));
}

TEST_P(Odbc, RowsWithoutAPrimaryKeyAndAKeyThatIsConvertedItself) {
  sql("CREATE TABLE nokey (v TEXT); CREATE TABLE code (c VARCHAR(40) PRIMARY KEY, n INTEGER);"
      "INSERT INTO nokey VALUES (" +
      literal(tcvn3("Việt")) + "), (" + literal(tcvn3("Nam")) + "), (" + literal(tcvn3("Việt")) +
      ");"
      "INSERT INTO code VALUES (" +
      literal(tcvn3("Hà Nội")) + ", 1), (" + literal(tcvn3("Huế")) + ", 2);");
  auto b = connect();
  SchemaTree tree;
  b->fillSchema(tree);
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver quiet;
  const ColumnReport keyed = b->convertColumn({"code", "c"}, converter, quiet);
  EXPECT_FALSE(keyed.failed) << keyed.error;
  EXPECT_EQ(values("code", "c", "n"), (std::vector<std::string>{"Hà Nội", "Huế"}));
  // Without a primary key the driver's row identifier addresses the rows, where it has one;
  // where it has none, the table is reported and left as it is.
  const ColumnReport plain = b->convertColumn({"nokey", "v"}, converter, quiet);
  std::vector<std::string> got = values("nokey", "v", "v");
  if (plain.failed) {
    EXPECT_NE(plain.error.find("cannot be addressed"), std::string::npos) << plain.error;
    EXPECT_EQ(got, (std::vector<std::string>{stored(tcvn3("Nam")), stored(tcvn3("Việt")),
                                             stored(tcvn3("Việt"))}));
  } else {
    EXPECT_EQ(plain.converted, 2u);
    EXPECT_EQ(got, (std::vector<std::string>{"Nam", "Việt", "Việt"}));
  }
}

TEST_P(Odbc, AnotherSessionsUpdatesDuringARunAreKept) {
  if (!postgres()) GTEST_SKIP() << "the other session is psql";
  std::string insert;
  for (int i = 1; i <= 400; ++i)
    insert += std::string(insert.empty() ? "" : ", ") + "(" + std::to_string(i) + ", " +
              literal(tcvn3("Việt Nam")) + ")";
  sql("CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT); INSERT INTO t VALUES " + insert +
      ";"
      // An ordinary table with a child: the child's rows are its own.
      "CREATE TABLE parent (id INTEGER PRIMARY KEY, v TEXT);"
      "CREATE TABLE child (extra INTEGER) INHERITS (parent);"
      "INSERT INTO parent VALUES (1, " +
      literal(tcvn3("Cha mẹ")) +
      ");"
      "INSERT INTO child VALUES (1, " +
      literal(tcvn3("Con cái")) + ", 7);");
  auto b = connect();
  SchemaTree tree;
  b->fillSchema(tree);
  ValueConverter converter(kTcvn3, kUtf8);
  // 100 rows into the run, another session changes every third row and commits.
  testing::ConcurrentWriter writer(
      [&] { sql("UPDATE t SET v = 'changed ' || id WHERE id % 3 = 0"); }, 100);
  const ColumnReport r = b->convertColumn({"t", "v"}, converter, writer);
  EXPECT_TRUE(writer.started());
  EXPECT_FALSE(writer.finish()) << "the run's lock did not hold the writer back";
  EXPECT_FALSE(r.failed) << r.error;
  const std::vector<std::string> got = values("t", "v");
  ASSERT_EQ(got.size(), 400u);
  for (int i = 1; i <= 400; ++i)
    EXPECT_EQ(got[static_cast<std::size_t>(i - 1)],
              i % 3 == 0 ? "changed " + std::to_string(i) : "Việt Nam")
        << i;
  // The parent's own row only, though the child's row has the same key.
  const ColumnReport p = b->convertColumn({"parent", "v"}, converter, writer);
  EXPECT_FALSE(p.failed) << p.error;
  EXPECT_EQ(p.converted, 1u);
  EXPECT_EQ(values("ONLY parent", "v"), (std::vector<std::string>{"Cha mẹ"}));
  EXPECT_EQ(values("child", "v"), (std::vector<std::string>{stored(tcvn3("Con cái"))}));
}

TEST_P(Odbc, WithoutALockARowChangedDuringTheRunFailsTheColumn) {
  if (!postgres()) GTEST_SKIP() << "the other session is psql";
  std::string insert;
  for (int i = 1; i <= 300; ++i)
    insert += std::string(insert.empty() ? "" : ", ") + "(" + std::to_string(i) + ", " +
              literal(tcvn3("Việt Nam")) + ")";
  sql("CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT); INSERT INTO t VALUES " + insert + ";");
  auto b = connect();
  b->checkRowsByValue();  // as for a database whose own lock is not known
  SchemaTree tree;
  b->fillSchema(tree);
  ValueConverter converter(kTcvn3, kUtf8);
  testing::ConcurrentWriter writer([&] { sql("UPDATE t SET v = 'changed' WHERE id = 250"); }, 100);
  const ColumnReport r = b->convertColumn({"t", "v"}, converter, writer);
  EXPECT_TRUE(writer.finish()) << "nothing held the writer back";
  EXPECT_TRUE(r.failed);
  // The database's serializable isolation refuses it (40001), or the row check finds it.
  EXPECT_TRUE(r.state == "40001" || r.error.find("changed by another session") != std::string::npos)
      << r.error;
  // The other session's value stands, and nothing of the run was kept.
  const std::vector<std::string> got = values("t", "v");
  ASSERT_EQ(got.size(), 300u);
  for (int i = 1; i <= 300; ++i)
    EXPECT_EQ(got[static_cast<std::size_t>(i - 1)],
              i == 250 ? std::string("changed") : stored(tcvn3("Việt Nam")))
        << i;
}

TEST_P(Odbc, TableDataShowsWholeValuesAndNulls) {
  const std::string longValue(300, 'x');
  sql("CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT, n INTEGER);"
      "INSERT INTO t VALUES (1, '" +
      longValue + "', NULL), (2, NULL, 3);");
  auto b = connect();
  SchemaTree tree;
  b->fillSchema(tree);
  const TableData d = b->tableData("t", 100);
  EXPECT_EQ(d.headers, (std::vector<std::string>{"id", "v", "n"}));
  EXPECT_EQ(d.total, 2u);
  ASSERT_EQ(d.rows.size(), 2u);
  EXPECT_EQ(d.rows[0][1], longValue);
  EXPECT_EQ(d.rows[0][2], "<NULL>");
  EXPECT_EQ(d.rows[1][1], "<NULL>");
}

INSTANTIATE_TEST_SUITE_P(Drivers, Odbc,
                         ::testing::Values(Driver::kSqlite, Driver::kPgAnsi, Driver::kPgUnicode),
                         [](const auto& info) { return driverName(info.param); });

// A login the server refuses is a bad argument (exit 2) through libpq and through psqlODBC
// alike, with the server's reason.
TEST(OdbcLogin, ARefusedLoginIsTheSameFailureThroughLibpqAndOdbc) {
  const std::string role = "nologin_" + std::to_string(getpid());
  cluster().psql("postgres", "CREATE ROLE " + role + " NOLOGIN PASSWORD 'Sekr3t'");
  const std::string port = std::to_string(cluster().port());
  for (const std::string& source :
       {"postgresql://" + role + ":Sekr3t@127.0.0.1:" + port + "/postgres",
        "odbc:DRIVER={PostgreSQL ANSI};SERVER=127.0.0.1;PORT=" + port +
            ";DATABASE=postgres;UID=" + role + ";PWD=Sekr3t"}) {
    auto r = ts::testing::runProgram(TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8", source, "t"},
                                     cluster().folder());
    EXPECT_EQ(r.status, 2) << source << "\n" << r.err;
    EXPECT_NE(r.err.find("not permitted to log in"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Sekr3t"), std::string::npos) << r.err;
  }
  cluster().psql("postgres", "DROP ROLE " + role);
}

// psqlODBC's Unicode driver cannot read the legacy bytes of a SQL_ASCII database: the column
// is named, with the way out (its ANSI driver), when it is read and when it is converted.
TEST(OdbcUnicodeDriver, OnASqlAsciiDatabaseNamesTheColumnAndTheAnsiDriver) {
  const std::string db = "unicode_on_ascii_" + std::to_string(getpid());
  cluster().createDatabase(db, "SQL_ASCII");
  cluster().psql(db, "CREATE TABLE t (id integer PRIMARY KEY, v text); INSERT INTO t VALUES (1, " +
                         testing::quoteText(tcvn3("Việt Nam")) + ")");
  auto b = OdbcBackend::connect("DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=" +
                                std::to_string(cluster().port()) + ";DATABASE=" + db +
                                ";UID=postgres;PWD=");
  try {
    b->readColumn({"t", "v"}, [](const StoredValue&) { return true; });
    ADD_FAILURE() << "the bytes were read";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("t.v: "), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("\"PostgreSQL ANSI\""), std::string::npos) << e.what();
  }
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver quiet;
  const ColumnReport r = b->convertColumn({"t", "v"}, converter, quiet);
  EXPECT_TRUE(r.failed);
  EXPECT_NE(r.error.find("ANSI driver"), std::string::npos) << r.error;
  b.reset();
  cluster().psql("postgres", "DROP DATABASE \"" + db + "\"");
}

TEST(OdbcConnectString, EveryKeyBracedValuesAndNoPasswordShown) {
  EXPECT_EQ(odbcConnectString("", "", ""), "DSN=;UID=;PWD=");
  EXPECT_EQ(odbcConnectString("sales", "ann", "p;w}d"), "DSN=sales;UID=ann;PWD={p;w}}d}");
  EXPECT_EQ(odbcValue(" x"), "{ x}");
  EXPECT_EQ(odbcHidePassword("DSN=sales;PWD={p;w}}d};UID=ann;password=x"),
            "DSN=sales;PWD=***;UID=ann;password=***");
  EXPECT_EQ(sourceForDisplay("odbc:DSN=a;Pwd=secret"), "odbc:DSN=a;Pwd=***");
}

class OdbcTsdata : public ts::testing::ScratchTest {};

TEST_F(OdbcTsdata, ConvertsThroughADriverAndNeverShowsThePassword) {
  const std::string file = (dir_ / "t.db").string();
  testing::execSql(file,
                   "CREATE TABLE a (id INTEGER PRIMARY KEY, x TEXT CHECK (length(x) < 5));"
                   "CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT, w TEXT);"
                   "INSERT INTO t VALUES (1, " +
                       testing::quoteText(tcvn3("Việt Nam")) +
                       ", NULL);"
                       "INSERT INTO a VALUES (1, " +
                       testing::quoteText(tcvn3("Việt")) + ");");
  const std::string source = "odbc:DRIVER=SQLite3;Database=" + file + ";PWD=s3cret";
  auto r = ts::testing::runProgram(TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8", source, "t"}, dir_);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testing::query(file, "SELECT v FROM t")[0][0], "Việt Nam");
  r = ts::testing::runProgram(TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8", source, "nope"}, dir_);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("PWD=***"), std::string::npos) << r.err;
  // A refused value ends the run: no timing report, the column as it was.
  r = ts::testing::runProgram(TSDATA_PATH,
                              {"-f", "tcvn3", "-t", "vni", "--force", source, "a.x", "t.w"}, dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("a.x: failed at id = 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("the failure ended the run"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("t.w:"), std::string::npos) << r.out;
  EXPECT_EQ(testing::query(file, "SELECT x FROM a")[0][0], tcvn3("Việt"));
  EXPECT_EQ((r.out + r.err).find("s3cret"), std::string::npos);
}

TEST(OdbcDataSources, ListsTheSourcesOfAScratchIni) {
  // The driver manager keeps what it has read: the scratch files are read in a child.
  const fs::path dir = fs::temp_directory_path() / ("ts-odbcini-" + std::to_string(getpid()));
  ts::testing::writeFile(dir / "odbc.ini",
                         "[scratch books]\nDescription=Books\nDriver=SQLite3\n"
                         "Database=/nowhere/books.db\n");
  ts::testing::writeFile(dir / "odbcinst.ini",
                         "[SQLite3]\nDescription=SQLite3 ODBC Driver\n"
                         "Driver=libsqlite3odbc.so\n");
  EXPECT_EXIT(
      {
        setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);
        setenv("ODBCSYSINI", dir.c_str(), 1);
        std::string seen;
        for (const OdbcSource& s : odbcDataSources()) seen += "[" + s.name + "|" + s.driver + "]";
        for (const std::string& d : odbcDrivers()) seen += "<" + d + ">";
        std::fprintf(stderr, "%s\n", seen.c_str());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "\\[scratch books\\|SQLite3\\].*<SQLite3>");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace ts::db
