// The PostgreSQL back end through libpq against a server of the tests' own: a SQL_ASCII
// database, where values are the legacy bytes themselves, and a UTF8 one, where legacy bytes
// sit as Windows-1252 text and are repaired through the carrier code page.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <thread>

#include <libpq-fe.h>

#include "../src/pg_backend.hpp"
#include "db_test_util.hpp"
#include "ts/byte_buffer.hpp"
#include "ts/db/conversion.hpp"
#include "ts/db/postgres.hpp"
#include "ts/db/wide.hpp"
#include "ts/testing/postgres.hpp"
#include "ts/testing/process.hpp"
#include "ts/unicode.hpp"

namespace ts::db {
namespace {

ts::testing::ScratchPostgres& cluster() {
  static ts::testing::ScratchPostgres server;
  return server;
}

using testing::convertBytes;
using testing::tcvn3;
std::string literal(const std::string& s) { return testing::quoteText(s); }
std::string asCarrierText(const std::string& bytes) {
  std::string text;
  WideValues(0, 0).bytesToUtf8(bytes, text);
  return text;
}

class Pg : public ::testing::Test {
 protected:
  void create(const std::string& encoding) {
    std::string name;
    for (char c : std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))
      name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    database_ = name + "_" + std::to_string(getpid());
    cluster().createDatabase(database_, encoding);
  }
  void TearDown() override {
    if (!database_.empty()) cluster().psql("postgres", "DROP DATABASE \"" + database_ + "\"");
  }
  std::string sql(const std::string& s) { return cluster().psql(database_, s); }
  std::string conninfo() const {
    return "host=127.0.0.1 port=" + std::to_string(cluster().port()) +
           " user=postgres dbname=" + database_;
  }
  std::unique_ptr<PgBackend> connect() { return PgBackend::connect(conninfo()); }
  // One value's bytes as the database holds them (in the database's encoding).
  std::string value(const std::string& query) {
    std::string hex = sql("SELECT encode(textsend((" + query + ")), 'hex')");
    if (!hex.empty() && hex.back() == '\n') hex.pop_back();
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
      bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
  }
  std::string database_;
};

std::vector<std::string> texts(const SchemaTree& t, int item) {
  std::vector<std::string> v;
  for (int c : t.item(item).children) v.push_back(t.item(c).text);
  return v;
}

TEST_F(Pg, TreeNamesConvertibleRuleAndMarksInASingleByteDatabase) {
  create("SQL_ASCII");
  sql("CREATE DOMAIN name40 AS varchar(40);"
      "CREATE TABLE people (id serial PRIMARY KEY, \"Full \"\"Name\"\"\" name40, note text, "
      "code char(4), n integer, born date);"
      "CREATE SCHEMA shop; CREATE TABLE shop.people (k integer PRIMARY KEY, v text);"
      "CREATE TABLE shop.items (k integer PRIMARY KEY, w varchar(10));"
      "CREATE VIEW names AS SELECT note FROM people;"
      "ALTER TABLE people DROP COLUMN born;");
  auto b = connect();
  EXPECT_TRUE(b->singleByte());
  EXPECT_EQ(b->providerName().rfind("libpq ", 0), 0u);
  EXPECT_EQ(b->dbmsName().rfind("PostgreSQL ", 0), 0u);
  SchemaTree tree;
  b->fillSchema(tree);
  const int root = tree.root();
  EXPECT_EQ(tree.item(root).text, "ADO Data Source");
  EXPECT_EQ(texts(tree, root), (std::vector<std::string>{"Tables", "Views"}));
  const int tables = tree.item(root).children[0], views = tree.item(root).children[1];
  // "people" is in two schemas: both are named with their schema; "items" is not on the
  // search path.
  EXPECT_EQ(texts(tree, tables),
            (std::vector<std::string>{"public.people", "shop.items", "shop.people"}));
  EXPECT_EQ(texts(tree, views), (std::vector<std::string>{"names"}));
  const int people = tree.find(tables, ItemKind::kTable, "public.people");
  EXPECT_EQ(texts(tree, people),
            (std::vector<std::string>{"id", "Full \"Name\"", "note", "code", "n"}));
  for (const char* c : {"Full \"Name\"", "note", "code"})
    EXPECT_TRUE(b->convertible({"public.people", c})) << c;
  for (const char* c : {"id", "n"}) EXPECT_FALSE(b->convertible({"public.people", c})) << c;

  tree.clickBox(people, Propagation::kSubtree, [&](int column) {
    return b->convertible({tree.item(tree.tableOf(column)).text, tree.item(column).text});
  });
  EXPECT_TRUE(tree.marked(people));
  EXPECT_TRUE(tree.marked(tree.find(people, ItemKind::kColumn, "note")));
  EXPECT_FALSE(tree.marked(tree.find(people, ItemKind::kColumn, "n")));
  EXPECT_FALSE(tree.marked(
      tree.find(tree.find(tables, ItemKind::kTable, "shop.people"), ItemKind::kColumn, "v")));
  const PropertyTable cols = b->properties(tree, people);
  EXPECT_EQ(cols.headers,
            (std::vector<std::string>{"Name", "Type", "Size", "Allow Zero Length", "Description"}));
  EXPECT_EQ(cols.rows[1],
            (std::vector<std::string>{"Full \"Name\"", "DBTYPE_STR", "40", "True", ""}));
  EXPECT_EQ(cols.rows[0][1], "DBTYPE_I4");
  const PropertyTable reached = b->properties(tree, root);
  ASSERT_EQ(reached.rows.size(), 5u);
  EXPECT_EQ(reached.rows[3], (std::vector<std::string>{"Encoding", "SQL_ASCII"}));
}

TEST_F(Pg, ConvertsBytesNullsBlanksAndLongValuesAndGoesOnAfterAFailure) {
  create("SQL_ASCII");
  std::string longValue;
  while (longValue.size() < 10000) longValue += tcvn3("Người ");
  sql("CREATE SCHEMA \"Sales Dept\";"
      "CREATE TABLE \"Sales Dept\".\"Cust'\"\"omers\" (id integer PRIMARY KEY, \"Họ tên\" text, "
      "short varchar(6), pad char(8));"
      "INSERT INTO \"Sales Dept\".\"Cust'\"\"omers\" VALUES "
      "(1, " +
      literal(tcvn3("Việt Nam  ")) + ", " + literal(tcvn3("Việt")) + ", " + literal(tcvn3("Huế")) +
      "), (2, NULL, NULL, NULL), (3, " + literal(longValue) + ", " + literal(tcvn3("Hà Nội")) +
      ", 'x');"
      "CREATE TABLE nokey (v text); INSERT INTO nokey VALUES (" +
      literal(tcvn3("Đà Lạt")) + "), (NULL);");
  auto b = connect();
  SchemaTree tree;
  b->fillSchema(tree);
  const std::string table = "Sales Dept.Cust'\"omers";
  for (const char* c : {"Họ tên", "short", "pad"}) {
    // The names in the tree are the database's (its bytes are UTF-8 here).
    const int item = findColumnItem(tree, {table, c});
    ASSERT_NE(item, kNoItem) << c;
    tree.toggle(item);
  }
  tree.toggle(findColumnItem(tree, {"nokey", "v"}));
  tree.toggle(findColumnItem(tree, {table, "id"}));  // not text: counted, left alone
  ValueConverter converter(kTcvn3, kUtf8);
  // The dry run finds the value the column cannot hold.
  const DryRun dry = dryRun(*b, {table, "short"}, converter, 5);
  EXPECT_EQ(dry.limit, 6);
  EXPECT_EQ(dry.tooLong, 1u);
  ASSERT_EQ(dry.overLimit.size(), 1u);
  EXPECT_EQ(dry.overLimit[0].key, "id = 3");
  RunObserver quiet;
  RunReport run = runConversion(*b, tree, converter, quiet);
  ASSERT_EQ(run.columns.size(), 5u);  // a failure does not end the run
  const ColumnReport& ids = run.columns[0];
  EXPECT_EQ(ids.column.column, "id");
  EXPECT_EQ(ids.skipped, 3u);
  EXPECT_EQ(ids.converted, 0u);
  run.columns.erase(run.columns.begin());
  EXPECT_FALSE(run.columns[0].failed) << run.columns[0].error;
  EXPECT_EQ(run.columns[0].converted, 2u);
  EXPECT_EQ(run.columns[0].nulls, 1u);
  // "Hà Nội" takes 6 bytes in TCVN3 and 9 in UTF-8: too long for varchar(6).
  EXPECT_TRUE(run.columns[1].failed);
  EXPECT_EQ(run.columns[1].row, "id = 3");
  EXPECT_NE(run.columns[1].error.find("State: 22001, Native: 0, Source: libpq"), std::string::npos)
      << run.columns[1].error;
  EXPECT_FALSE(run.columns[2].failed) << run.columns[2].error;
  EXPECT_FALSE(run.columns[3].failed) << run.columns[3].error;  // addressed by ctid
  const std::string q = "FROM \"Sales Dept\".\"Cust'\"\"omers\" WHERE id = ";
  EXPECT_EQ(value("SELECT \"Họ tên\" " + q + "1"), "Việt Nam  ");
  EXPECT_EQ(value("SELECT \"Họ tên\" " + q + "3"), convertBytes(longValue, kTcvn3, kUtf8));
  EXPECT_EQ(sql("SELECT \"Họ tên\" IS NULL " + q + "2"), "t\n");
  EXPECT_EQ(value("SELECT short " + q + "1"), tcvn3("Việt"));  // rolled back
  EXPECT_EQ(value("SELECT pad " + q + "1"), "Huế");            // padded again to its 8 characters:
  EXPECT_EQ(sql("SELECT octet_length(pad) " + q + "1"), "8\n");
  EXPECT_EQ(value("SELECT v FROM nokey WHERE v IS NOT NULL"), "Đà Lạt");
}

TEST_F(Pg, InheritancePartitionsAndAConcurrentWriter) {
  create("SQL_ASCII");
  const std::string viet = literal(tcvn3("Việt")), nam = literal(tcvn3("Nam Định"));
  std::string rows;
  for (int i = 1; i <= 300; ++i)
    rows += std::string(rows.empty() ? "" : ", ") + "(" + std::to_string(i) + ", " + viet + ")";
  sql(  // Key-less parent and child: their rows lie at the same places of two tables.
      "CREATE TABLE parent (v text); CREATE TABLE child () INHERITS (parent);"
      "INSERT INTO parent VALUES (" +
      viet + "), (" + viet +
      ");"
      "INSERT INTO child VALUES (" +
      nam + "), (" + nam +
      ");"
      // A key-less partitioned table, named with one of its partitions.
      "CREATE TABLE parts (k integer, v text) PARTITION BY RANGE (k);"
      "CREATE TABLE parts_a PARTITION OF parts FOR VALUES FROM (0) TO (10);"
      "CREATE TABLE parts_b PARTITION OF parts FOR VALUES FROM (10) TO (20);"
      "INSERT INTO parts VALUES (1, " +
      viet + "), (11, " + nam +
      ");"
      "CREATE TABLE busy (id integer PRIMARY KEY, v text); INSERT INTO busy VALUES " +
      rows + ";");
  auto b = connect();
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver quiet;
  const RunReport run =
      convertColumns(*b, {{"parent", "v"}, {"parts_a", "v"}, {"parts", "v"}}, converter, quiet);
  ASSERT_EQ(run.columns.size(), 3u);
  EXPECT_EQ(run.columns[0].converted, 2u);
  ASSERT_EQ(run.columns[0].notes.size(), 1u);
  EXPECT_NE(run.columns[0].notes[0].find("'child'"), std::string::npos) << run.columns[0].notes[0];
  EXPECT_EQ(sql("SELECT v FROM ONLY parent"), "Việt\nViệt\n");
  EXPECT_EQ(value("SELECT string_agg(v, ',') FROM child"),
            tcvn3("Nam Định") + "," + tcvn3("Nam Định"));
  EXPECT_TRUE(run.columns[1].left);  // through its partitioned table, once
  EXPECT_EQ(run.columns[2].converted, 2u) << run.columns[2].error;
  EXPECT_EQ(sql("SELECT string_agg(v, ',' ORDER BY k) FROM parts"), "Việt,Nam Định\n");
  EXPECT_EQ(b->partsOf("parts"), (std::vector<std::string>{"parts_a", "parts_b"}));

  // Names that differ only in case: the exact one wins; otherwise they are refused.
  sql("CREATE TABLE cases (id integer PRIMARY KEY, \"Name\" text, name text);"
      "INSERT INTO cases VALUES (1, " +
      viet + ", " + viet + ");");
  auto tsdata = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"-f", "tcvn3", "-t", "utf8", "pg:" + conninfo()});
    return ts::testing::runProgram(TSDATA_PATH, args, cluster().folder());
  };
  // A parent's own rows are counted, not its child's.
  const auto listed = ts::testing::runProgram(TSDATA_PATH, {"--list", "pg:" + conninfo()},
                                              cluster().folder());
  EXPECT_NE(listed.out.find("table parent (2 rows)"), std::string::npos) << listed.out;
  auto done = tsdata({"--table", "cases", "--column", "name"});
  EXPECT_EQ(done.status, 0) << done.err;
  EXPECT_EQ(sql("SELECT name FROM cases"), "Việt\n");
  EXPECT_EQ(value("SELECT \"Name\" FROM cases"), tcvn3("Việt"));
  done = tsdata({"cases.NAME"});
  EXPECT_EQ(done.status, 2);
  EXPECT_NE(done.err.find("but for case"), std::string::npos) << done.err;
  done = tsdata({"--backup", "cases.name"});  // a server is backed up with its own tools
  EXPECT_EQ(done.status, 2);
  EXPECT_NE(done.err.find("is a server"), std::string::npos) << done.err;

  // Another session's update during the run waits for it, and stands after it.
  testing::ConcurrentWriter writer([&] { sql("UPDATE busy SET v = 'w' WHERE id > 250"); }, 50);
  const ColumnReport r = b->convertColumn({"busy", "v"}, converter, writer);
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_FALSE(writer.finish());
  EXPECT_EQ(sql("SELECT count(*) FROM busy WHERE v = 'w'"), "50\n");
  EXPECT_EQ(sql("SELECT count(*) FROM busy WHERE v = 'Việt'"), "250\n");
}

// A LATIN1 database cannot hold Unicode: a Unicode destination is refused, naming the
// database's encoding, and nothing changes; a legacy destination converts.
TEST_F(Pg, ALatin1DatabaseRefusesAUnicodeDestination) {
  create("LATIN1");
  sql("CREATE TABLE t (id integer PRIMARY KEY, v text); INSERT INTO t VALUES (1, 'x');");
  sql("UPDATE t SET v = convert_from('\\x56694d74204e616d'::bytea, 'LATIN1')");
  auto b = connect();
  RunObserver quiet;
  ValueConverter unicode(kTcvn3, kUtf8);
  const ColumnReport r = b->convertColumn({"t", "v"}, unicode, quiet);
  EXPECT_TRUE(r.failed);
  EXPECT_NE(r.error.find("encoding is LATIN1"), std::string::npos) << r.error;
  const std::string before = value("SELECT encode(convert_to(v, 'LATIN1'), 'hex') FROM t");
  EXPECT_EQ(before, "56694d74204e616d");
  ValueConverter legacy(kTcvn3, kVniWin);
  EXPECT_FALSE(b->convertColumn({"t", "v"}, legacy, quiet).failed);
}

TEST_F(Pg, RepairsLegacyBytesHeldAsWindows1252TextInAUtf8Database) {
  create("UTF8");
  sql("CREATE TABLE t (id integer PRIMARY KEY, v text, w text);"
      "INSERT INTO t VALUES (1, " +
      literal(asCarrierText(tcvn3("Việt Nam"))) +
      ", 'Việt'), "
      "(2, NULL, NULL);");
  auto b = connect();
  EXPECT_FALSE(b->singleByte());
  SchemaTree tree;
  b->fillSchema(tree);
  EXPECT_FALSE(b->convertible({"t", "v"}));  // wide: marked by hand only
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver quiet;
  const ColumnReport r = b->convertColumn({"t", "v"}, converter, quiet);
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(value("SELECT v FROM t WHERE id = 1"), "Việt Nam");
  // Good Unicode ("ệ" is no character Windows-1252 carries) is converted already.
  const ColumnReport w = b->convertColumn({"t", "w"}, converter, quiet);
  EXPECT_EQ(w.already, 1u);
  // Named alone, the table stands for none of its columns: they are Unicode.
  for (const TableInfo& info : b->tables(false))
    for (const ColumnInfo& col : info.columns) EXPECT_FALSE(col.convertible) << col.name;
  EXPECT_EQ(value("SELECT w FROM t WHERE id = 1"), "Việt");
}

// The extension's functions, created from the built module in a database (as its script
// does, the module copied where the server may read it).
void loadExtension(const std::string& database) {
#ifdef TS_PG_EXTENSION
  // Copied once: a library a server process has loaded is never written over.
  const std::filesystem::path so = cluster().folder() / "tessaro.so";
  if (!std::filesystem::exists(so)) std::filesystem::copy_file(TS_PG_EXTENSION, so);
  std::filesystem::permissions(so, std::filesystem::perms::owner_all |
                                       std::filesystem::perms::group_read |
                                       std::filesystem::perms::others_read);
  std::string script = ts::testing::readFile(TS_PG_EXTENSION_SQL), body;
  for (std::size_t i = 0, nl; i < script.size(); i = nl + 1) {
    nl = script.find('\n', i);
    if (nl == std::string::npos) nl = script.size();
    std::string line = script.substr(i, nl - i);
    if (line.rfind("\\echo", 0) == 0) continue;
    for (std::size_t p; (p = line.find("MODULE_PATHNAME")) != std::string::npos;)
      line.replace(p, 15, so.string());
    body += line + "\n";
  }
  cluster().psql(database, body);
#else
  (void)database;
#endif
}

TEST_F(Pg, TheExtensionConvertsInSqlAsTheEngineDoes) {
#ifndef TS_PG_EXTENSION
  GTEST_SKIP() << "the PostgreSQL extension is not built here (sanitized builds leave it out)";
#endif
  create("SQL_ASCII");
  loadExtension(database_);
  // Every letter of the catalogue's UTF-8, in TCVN3 and VNI, through the server and the engine.
  std::string letters;
  for (const char* w : {"Việt Nam", "Đường Trường Sơn", "ẤẦẨẪẬ ấầẩẫậ ắằẳẵặ ếềểễệ ốồổỗộ ớờởỡợ",
                        "ứừửữự ýỳỷỹỵ íìỉĩị úùủũụ éèẻẽẹ óòỏõọ áàảãạ", "Ăâêôơưđ ĂÂÊÔƠƯĐ"})
    letters += std::string(w) + " | ";
  const std::string t = tcvn3(letters), vni = convertBytes(letters, kUtf8, kVniWin);
  const std::string prose = "Tiếng Việt là ngôn ngữ chính thức của nước Việt Nam";
  sql("CREATE TABLE s (id integer PRIMARY KEY, v text); INSERT INTO s VALUES (1, " + literal(t) +
      "), (2, " + literal(vni) + "), (3, NULL), (4, " + literal(tcvn3(prose)) + "), (5, " +
      literal(convertBytes(prose, kUtf8, kVniWin)) + ")");
  auto engine = [](const std::string& bytes, int from, int to) {
    ValueConverter c(from, to);
    ByteBuffer out;
    return c.convert(bytes, out) == ValueConverter::Outcome::kConverted ? out.str() : bytes;
  };
  EXPECT_EQ(value("SELECT ts_convert(v, 'tcvn3', 'utf8') FROM s WHERE id = 1"),
            engine(t, kTcvn3, kUtf8));
  EXPECT_EQ(value("SELECT ts_convert(v, 'vni', '15') FROM s WHERE id = 2"),
            engine(vni, kVniWin, kTcvn3));
  for (const char* id : {"2", "4", "5"}) {
    const std::string stored = value(std::string("SELECT v FROM s WHERE id = ") + id);
    EXPECT_EQ(value(std::string("SELECT ts_convert(v, 'auto', 'utf8') FROM s WHERE id = ") + id),
              engine(stored, kAutomatic, kUtf8))
        << id;
  }
  EXPECT_EQ(sql("SELECT ts_convert(v, 'tcvn3', 'utf8') IS NULL, ts_detect(v) FROM s "
                "WHERE id >= 3 ORDER BY id"),
            "t|\nf|" + std::string(confidentCharsetName(tcvn3(prose))) + "\nf|" +
                std::string(confidentCharsetName(convertBytes(prose, kUtf8, kVniWin))) + "\n");
  EXPECT_THROW(sql("SELECT ts_convert('x', 'nope', 'utf8')"), std::runtime_error);

  // The back end converts through it: one statement in the server.
  auto b = connect();
  EXPECT_TRUE(b->hasExtension());
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver quiet;
  const ColumnReport r = b->convertColumn({"s", "v"}, converter, quiet);
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(r.records, 5u);
  EXPECT_EQ(r.nulls, 1u);
  EXPECT_EQ(r.converted, 4u);
  EXPECT_EQ(value("SELECT v FROM s WHERE id = 1"), engine(t, kTcvn3, kUtf8));

  // In a UTF8 database legacy text is held as its bytes' Windows-1252 characters: read and
  // written so, as tsdata does; Unicode text is itself; bytea gives the bytes.
  const std::string utf8db = database_ + "_u";
  cluster().createDatabase(utf8db, "UTF8");
  loadExtension(utf8db);
  EXPECT_EQ(cluster().psql(utf8db,
                           "SELECT ts_convert('ViÖt Nam', 'tcvn3', 'utf8'), "
                           "ts_convert('ViÖt', 15, 41), ts_convert('Việt', 'utf8', "
                           "'tcvn3'), ts_convert('Việt', 'tcvn3', 'utf8')"),
            "Việt Nam|Việt|ViÖt|Việt\n");
  EXPECT_EQ(cluster().psql(utf8db,
                           "SELECT encode(ts_convert(convert_to('Việt', 'UTF8'), "
                           "'utf8', 'tcvn3'), 'hex')"),
            "5669d674\n");
  // Unicode whose letters Windows-1252 has ("Lê", "cà phê", "Bá Tùng") is converted
  // already: a retried UPDATE changes nothing, carried TCVN3 beside it is converted once.
  cluster().psql(utf8db,
                 "CREATE TABLE n (v text); INSERT INTO n VALUES ('Lê'), ('cà phê'), "
                 "('Bá Tùng'), ('Nẵng'), ('ViÖt Nam lµ mét quèc gia');"
                 "UPDATE n SET v = ts_convert(v, 'tcvn3', 'utf8');"
                 "UPDATE n SET v = ts_convert(v, 'tcvn3', 'utf8');"
                 "UPDATE n SET v = ts_convert(v, 'auto', 'utf8');");
  EXPECT_EQ(cluster().psql(utf8db, "SELECT string_agg(v, '|') FROM n"),
            "Lê|cà phê|Bá Tùng|Nẵng|Việt Nam là một quốc gia\n");
  // ts_detect reads such text as ts_convert does: the sentence 'auto' converts is named.
  cluster().psql(utf8db, "CREATE TABLE d (v text); INSERT INTO d VALUES (" +
                             literal(asCarrierText(tcvn3(prose))) + ")");
  EXPECT_EQ(cluster().psql(utf8db, "SELECT ts_detect(v), ts_convert(v, 'auto', 'utf8') FROM d"),
            std::string(confidentCharsetName(tcvn3(prose))) + "|" + prose + "\n");
  cluster().psql("postgres", "DROP DATABASE \"" + utf8db + "\"");
}

TEST(PgConninfo, QuotedValuesAndNoPasswordShown) {
  EXPECT_EQ(pgConninfo("db", "", "shop", "ann", "it's \\x"),
            "host='db' dbname='shop' user='ann' password='it\\'s \\\\x'");
  EXPECT_EQ(pgHidePassword("host='db' password='it\\'s x' user=ann"),
            "host='db' password=*** user=ann");
  EXPECT_EQ(pgHidePassword("password=secret"), "password=***");
  EXPECT_EQ(sourceForDisplay("postgresql://ann:secret@db:5432/shop?password=x&sslmode=require"),
            "postgresql://ann:***@db:5432/shop?password=***&sslmode=require");
  EXPECT_EQ(sourceForDisplay("pg:dbname=shop password = s3"), "pg:dbname=shop password = ***");
}

TEST_F(Pg, AKilledConversionLeavesTheColumnWhollyOld) {
  create("SQL_ASCII");
  sql("CREATE TABLE big (id integer PRIMARY KEY, c varchar(80));"
      "INSERT INTO big SELECT g, 'Vi' || chr(214) || 't Nam ' || g FROM generate_series(1, "
      "1000000) g");
  const std::filesystem::path folder = cluster().folder();
  ts::testing::Program tsdata(TSDATA_PATH,
                              {"-f", "tcvn3", "-t", "utf8", "pg:" + conninfo(), "big.c"}, folder);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  tsdata.signal(SIGKILL);
  EXPECT_EQ(tsdata.wait().status, 128 + SIGKILL);
  EXPECT_EQ(sql("SELECT count(*) FROM big WHERE c LIKE 'Vi' || chr(214) || 't Nam %'"),
            "1000000\n");
}

// A lock another session holds fails the column once --lock-timeout has passed, "busy or
// locked", naming the table; Ctrl-C ends a longer wait at once, the column rolled back.
TEST_F(Pg, ALockHeldElsewhereIsWaitedForAsLongAsAskedAndCtrlCEndsTheWait) {
  create("SQL_ASCII");
  sql("CREATE TABLE held (id integer PRIMARY KEY, v text); INSERT INTO held VALUES (1, " +
      literal(tcvn3("Việt")) + ")");
  PGconn* other = PQconnectdb(conninfo().c_str());
  ASSERT_EQ(PQstatus(other), CONNECTION_OK);
  PQclear(PQexec(other, "BEGIN; UPDATE held SET id = id WHERE id = 1"));
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const auto r = ts::testing::runProgram(
      TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8", "--lock-timeout=1", "pg:" + conninfo(), "held.v"},
      cluster().folder());
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(6));
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE((r.out + r.err).find("\"held\" is busy or locked"), std::string::npos) << r.out << r.err;

  ts::testing::Program waiting(
      TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8", "--lock-timeout=60", "pg:" + conninfo(), "held.v"},
      cluster().folder());
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const auto interrupted = Clock::now();
  waiting.signal(SIGINT);
  const auto ended = waiting.wait();
  EXPECT_LT(Clock::now() - interrupted, std::chrono::milliseconds(1500));
  EXPECT_NE(ended.status, 0);
  PQclear(PQexec(other, "ROLLBACK"));
  PQfinish(other);
  EXPECT_EQ(value("SELECT v FROM held"), tcvn3("Việt"));
}

// The dry run says what the run does: char(n)'s padding is no part of a value, a value that
// would not fit is named and the exit status says the run would fail; destination 40 stores
// what 39 stores.
TEST_F(Pg, TheDryRunAgreesWithTheRun) {
  create("SQL_ASCII");
  sql("CREATE TABLE c (id integer PRIMARY KEY, fixed char(10), short varchar(8));"
      "INSERT INTO c VALUES (1, " + literal(tcvn3("Hà Nội")) + ", " + literal(tcvn3("Hà Nội")) +
      ")");
  auto tsdata = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"-f", "tcvn3", "-t", "40", "pg:" + conninfo()});
    return ts::testing::runProgram(TSDATA_PATH, args, cluster().folder());
  };
  auto r = tsdata({"--dry-run", "c.fixed"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("would not fit"), std::string::npos) << r.out;
  r = tsdata({"--dry-run", "c.short"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;  // 'Hà Nội' takes 10 bytes of UTF-8
  EXPECT_NE(r.out.find("would not fit"), std::string::npos) << r.out;
  r = tsdata({"c.fixed"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(sql("SELECT fixed FROM c"), "Hà Nội \n");  // padded to 10 bytes again
  r = tsdata({"c.short"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(value("SELECT short FROM c"), tcvn3("Hà Nội"));
}

// A partition key is not converted unless asked: its rows would move between partitions
// (into the default one, here).  The table's other columns are.
TEST_F(Pg, APartitionKeyIsLeftUnlessMovesAreAllowed) {
  create("SQL_ASCII");
  const std::string viet = literal(tcvn3("Việt"));
  sql("CREATE TABLE lp (id integer, k text, note text) PARTITION BY LIST (k);"
      "CREATE TABLE lp_viet PARTITION OF lp FOR VALUES IN (" + viet + ");"
      "CREATE TABLE lp_other PARTITION OF lp DEFAULT;"
      "INSERT INTO lp VALUES (1, " + viet + ", " + viet + ")");
  auto tsdata = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"-f", "tcvn3", "-t", "utf8", "pg:" + conninfo()});
    return ts::testing::runProgram(TSDATA_PATH, args, cluster().folder());
  };
  auto r = tsdata({"lp"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("the column k is the partition key of lp (partitions lp_other, lp_viet)"),
            std::string::npos)
      << r.out << r.err;
  EXPECT_EQ(sql("SELECT count(*) FROM lp_viet"), "1\n");
  EXPECT_EQ(sql("SELECT note FROM lp"), "Việt\n");
  r = tsdata({"--allow-partition-move", "lp.k"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(sql("SELECT k FROM lp_other"), "Việt\n");
}

// public."sales.orders" and the table orders of the schema sales are two tables, shown apart
// and each converted by its own name.
TEST_F(Pg, ATableNamedWithADotIsNotTheTableOfASchema) {
  create("SQL_ASCII");
  const std::string viet = literal(tcvn3("Việt"));
  sql("CREATE TABLE \"sales.orders\" (id integer PRIMARY KEY, v text);"
      "CREATE SCHEMA sales; CREATE TABLE sales.orders (id integer PRIMARY KEY, v text);"
      "INSERT INTO \"sales.orders\" VALUES (1, " + viet + ");"
      "INSERT INTO sales.orders VALUES (1, " + viet + ")");
  auto tsdata = [&](std::vector<std::string> args) {
    args.insert(args.begin() + (args.front() == "--list" ? 1 : 0), "pg:" + conninfo());
    return ts::testing::runProgram(TSDATA_PATH, args, cluster().folder());
  };
  auto r = tsdata({"--list"});
  EXPECT_NE(r.out.find("table \"sales.orders\" (1 rows)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("table sales.orders (1 rows)"), std::string::npos) << r.out;
  r = tsdata({"-f", "tcvn3", "-t", "utf8", "sales.orders"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(sql("SELECT v FROM sales.orders"), "Việt\n");
  EXPECT_EQ(value("SELECT v FROM \"sales.orders\""), tcvn3("Việt"));
  r = tsdata({"-f", "tcvn3", "-t", "utf8", "\"sales.orders\".v"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(sql("SELECT v FROM \"sales.orders\""), "Việt\n");
}

// Texts in citext, inside arrays and inside JSON are converted where they are (JSON keys only
// when asked), and a materialized view over the table is named, refreshed when asked.
TEST_F(Pg, CitextArraysJsonAndTheViewsOverThem) {
  create("UTF8");
  const std::string ha = asCarrierText(tcvn3("Hà Nội")), viet = asCarrierText(tcvn3("Việt"));
  const std::string key = asCarrierText(tcvn3("tên"));
  auto json = [](const std::string& s) {  // a JSON string of a text
    std::string q = "\"";
    for (const char c : s) q += c == '"' ? std::string("\\\"") : std::string(1, c);
    return q + "\"";
  };
  const std::string doc = "{" + json(key) + ": " + json(ha) + ", \"list\": [" + json(viet) +
                          ", 1, \"x\\\"y\"], \"good\": \"Huế\"}";
  sql("CREATE EXTENSION citext;"
      "CREATE TABLE m (id integer PRIMARY KEY, c citext, a varchar(20)[], j jsonb, k json);"
      "INSERT INTO m VALUES (1, " + literal(viet) + ", ARRAY[" + literal(ha) + ", NULL, 'Việt', " +
      literal(viet + " \"x\\") + "], " + literal(doc) + ", " + literal(doc) + "), "
      "(2, NULL, '{}', '[]', 'null');"
      "CREATE MATERIALIZED VIEW mv AS SELECT id, c, k FROM m");
  auto tsdata = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"-f", "tcvn3", "-t", "utf8", "pg:" + conninfo()});
    return ts::testing::runProgram(TSDATA_PATH, args, cluster().folder());
  };
  auto r = tsdata({"--dry-run", "m.a"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("m.a: 1 of 2 values would change"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("{\"Hà Nội\",NULL,Việt,\"Việt \\\"x\\\\\"}"), std::string::npos) << r.out;
  r = tsdata({"m.c", "m.a", "m.j"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("m.c: 1 converted, 0 unchanged, 1 NULL, 0 skipped (not text)\n"
                       "  the materialized view 'mv' shows the old text until it is refreshed "
                       "(REFRESH MATERIALIZED VIEW \"public\".\"mv\"; --refresh-views does it)\n"
                       "m.a: 1 converted, 1 unchanged"),
            std::string::npos)
      << r.out;  // named where it reads the column only
  EXPECT_EQ(sql("SELECT c, a[1], a[2] IS NULL, a[3], a[4] FROM m WHERE id = 1"),
            "Việt|Hà Nội|t|Việt|Việt \"x\\\n");
  EXPECT_EQ(sql("SELECT j = " + literal("{" + json(key) + ": \"Hà Nội\", \"list\": " +
                                        "[\"Việt\", 1, \"x\\\"y\"], \"good\": \"Huế\"}") +
                "::jsonb FROM m WHERE id = 1"),
            "t\n");
  EXPECT_EQ(sql("SELECT c FROM mv ORDER BY id"), viet + "\n\n");  // not refreshed: named
  r = tsdata({"--json-keys", "--refresh-views", "m.k"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("the materialized view 'mv' was refreshed"), std::string::npos) << r.out;
  EXPECT_EQ(sql("SELECT k::text FROM m WHERE id = 1"),
            "{\"tên\": \"Hà Nội\", \"list\": [\"Việt\", 1, \"x\\\"y\"], \"good\": \"Huế\"}\n");
  EXPECT_EQ(sql("SELECT c FROM mv ORDER BY id"), "Việt\n\n");
  EXPECT_EQ(sql("SELECT a::text, j::text, k::text FROM m WHERE id = 2"), "{}|[]|null\n");
}

// In a single-byte database the arrays and JSON of a table named alone are among its text
// columns, and the guard reads the texts inside them.
TEST_F(Pg, ArraysAndJsonOfALegacyDatabaseAreTextColumns) {
  create("SQL_ASCII");
  sql("CREATE TABLE s (id integer PRIMARY KEY, a text[], j jsonb);"
      "INSERT INTO s VALUES (1, ARRAY[" + literal(tcvn3("Tiếng Việt")) + ", " +
      literal(tcvn3("_tiền_tố [x]")) + "], " +
      literal("{\"v\": \"" + tcvn3("Người") + "\", \"n\": [1, 2]}") + ")");
  auto r = ts::testing::runProgram(TSDATA_PATH, {"-f", "tcvn3", "-t", "vni", "pg:" + conninfo(), "s"},
                                   cluster().folder());
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(value("SELECT a[1] FROM s"), convertBytes(tcvn3("Tiếng Việt"), kTcvn3, kVniWin));
  EXPECT_EQ(value("SELECT a[2] FROM s"), convertBytes(tcvn3("_tiền_tố [x]"), kTcvn3, kVniWin));
  EXPECT_EQ(value("SELECT j->>'v' FROM s"), convertBytes(tcvn3("Người"), kTcvn3, kVniWin));
  EXPECT_EQ(sql("SELECT j->'n' FROM s"), "[1, 2]\n");
}

}  // namespace
}  // namespace ts::db
