// The SQLite back end on real database files: the schema, and conversions that must change
// exactly the text of the named column, wholly or not at all.
#include <gtest/gtest.h>

#include "../src/sqlite_backend.hpp"
#include "db_test_util.hpp"
#include "ts/db/conversion.hpp"
#include "ts/unicode.hpp"

namespace ts::db {
namespace {

using testing::execSql;
using testing::query;
using testing::quoteText;

std::string encode(const std::string& utf8, int code) {
  ConverterState s;
  selectPair(s, kUtf8, static_cast<std::uint32_t>(code));
  return convert(s, utf8);
}

class Sqlite : public ts::testing::ScratchTest {
 protected:
  std::string db() const { return (dir_ / "t.db").string(); }
  std::unique_ptr<SqliteBackend> open(bool readOnly = false) {
    return SqliteBackend::open(db(), readOnly);
  }
};

TEST_F(Sqlite, SchemaHasEveryObjectKindAndNoSystemObjects) {
  std::string sql =
      "CREATE TABLE people (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(40) NOT NULL, "
      "  note TEXT, raw, born DATE, upper_name TEXT GENERATED ALWAYS AS (upper(name)));"
      "CREATE TABLE orders (k TEXT PRIMARY KEY, who INTEGER REFERENCES people(id) ON DELETE "
      "  CASCADE, what NCHAR(10)) WITHOUT ROWID;"
      "CREATE INDEX people_name ON people(name DESC);"
      "CREATE VIEW names AS SELECT name FROM people;"
      "CREATE VIRTUAL TABLE notes USING fts5(body);";
  sql += "BEGIN;";
  for (int i = 1; i <= 1000; ++i)
    sql += "INSERT INTO people(name) VALUES ('n" + std::to_string(i) + "');";
  sql += "COMMIT;";
  execSql(db(), sql);
  auto b = open();
  SchemaTree tree;
  b->fillSchema(tree);
  const int root = tree.root();
  EXPECT_EQ(tree.item(root).text, "t.db");
  std::vector<std::string> top;
  for (int c : tree.item(root).children) top.push_back(tree.item(c).text);
  EXPECT_EQ(top, (std::vector<std::string>{"Tables", "Relations", "QueryDefs"}));
  const int tables = tree.item(root).children[0];
  std::vector<std::string> names;
  for (int c : tree.item(tables).children) names.push_back(tree.item(c).text);
  EXPECT_EQ(names,
            (std::vector<std::string>{"people", "orders", "notes"}));  // no sqlite_, no shadows
  const int people = tree.item(tables).children[0];
  const int fields = tree.find(people, ItemKind::kFields, "Fields");
  const int indexes = tree.find(people, ItemKind::kIndexes, "Indexes");
  ASSERT_NE(fields, kNoItem);
  EXPECT_EQ(tree.item(fields).children.size(), 6u);
  EXPECT_NE(tree.find(indexes, ItemKind::kIndex, "people_name"), kNoItem);
  const int relations = tree.item(root).children[1];
  ASSERT_EQ(tree.item(relations).children.size(), 1u);
  EXPECT_EQ(tree.item(tree.item(relations).children[0]).text, "orders.who -> people.id");
  const int queries = tree.item(root).children[2];
  EXPECT_EQ(tree.item(tree.item(queries).children.at(0)).text, "names");

  for (const auto& [column, text] :
       std::vector<std::pair<ColumnRef, bool>>{{{"people", "name"}, true},
                                               {{"people", "note"}, true},
                                               {{"people", "id"}, false},
                                               {{"people", "raw"}, false},
                                               {{"people", "born"}, false},
                                               {{"people", "upper_name"}, false},
                                               {{"orders", "what"}, true},
                                               {{"names", "name"}, false},
                                               {{"notes", "body"}, false},
                                               {{"PEOPLE", "NAME"}, true}})
    EXPECT_EQ(b->convertible(column), text) << column.label();

  // Properties: a field, a table with its record count, an index, a relation.
  const PropertyTable field = b->properties(tree, tree.find(fields, ItemKind::kColumn, "name"));
  EXPECT_EQ(field.headers, (std::vector<std::string>{"Property     ", "Value     "}));
  EXPECT_EQ(field.rows.at(1), (std::vector<std::string>{"Type", "VARCHAR(40)"}));
  EXPECT_EQ(field.rows.at(2), (std::vector<std::string>{"Size", "40"}));
  EXPECT_EQ(field.rows.at(3), (std::vector<std::string>{"Required", "TRUE"}));
  EXPECT_EQ(b->properties(tree, people).rows.at(8),
            (std::vector<std::string>{"Record Count", "1000"}));
  const PropertyTable index =
      b->properties(tree, tree.find(indexes, ItemKind::kIndex, "people_name"));
  EXPECT_EQ(index.rows.at(1), (std::vector<std::string>{"Fields", "-name"}));
  EXPECT_EQ(b->properties(tree, relations).rows.at(0).at(3),
            "ON UPDATE NO ACTION ON DELETE CASCADE");
  EXPECT_EQ(b->properties(tree, fields).rows.size(), 6u);

  const TableData data = b->tableData("people", 100);
  EXPECT_EQ(data.rows.size(), 100u);
  EXPECT_EQ(data.total, 1000u);
  EXPECT_EQ(data.rows[0][3], "NULL");
}

TEST_F(Sqlite, ConvertsTheNamedColumnOnlyAndLeavesNullsAndOtherTypes) {
  const std::string table = "we\"ird] t;able", column = "họ \"tên\"] ;x";
  const std::string text = encode("Nguyễn Văn Đức  ", kTcvn3);  // trailing blanks stay
  // No declared type: values keep their storage class (marked by its own box, as a user may).
  execSql(db(),
          "CREATE TABLE \"we\"\"ird] t;able\" (\"họ \"\"tên\"\"] ;x\", "
          "\"họ \"\"tên\"\"]\" TEXT, plain TEXT);"
          "INSERT INTO \"we\"\"ird] t;able\" VALUES (" +
              quoteText(text) + ", " + quoteText(text) + ", " + quoteText(text) +
              "), (NULL, NULL, NULL), (42, 1, 1),"
              "(x'A8E3', 1, 1), (2.5, 1, 1), ('ASCII only', 1, 1);");
  auto b = open();
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver observer;
  const ColumnReport r = b->convertColumn({table, column}, converter, observer);
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(r.records, 6u);
  EXPECT_EQ(r.converted, 1u);
  EXPECT_EQ(r.unchanged, 1u);
  EXPECT_EQ(r.nulls, 1u);
  EXPECT_EQ(r.skipped, 3u);
  const auto rows = query(db(),
                          "SELECT \"họ \"\"tên\"\"] ;x\", typeof(\"họ \"\"tên\"\"] ;x\"), "
                          "\"họ \"\"tên\"\"]\", plain FROM \"we\"\"ird] t;able\" ORDER BY rowid");
  EXPECT_EQ(rows[0], (std::vector<std::string>{"Nguyễn Văn Đức  ", "text", text, text}));
  EXPECT_EQ(rows[1][0], "NULL");
  EXPECT_EQ(rows[2][1], "integer");
  EXPECT_EQ(rows[3], (std::vector<std::string>{"\xA8\xE3", "blob", "1", "1"}));
  EXPECT_EQ(rows[4][1], "real");
  EXPECT_EQ(rows[5][0], "ASCII only");
}

TEST_F(Sqlite, AFailureRollsTheColumnBackAndSkipsTheRestOfItsChain) {
  const std::string v = quoteText(encode("Việt Nam", kTcvn3));
  execSql(db(),
          "CREATE TABLE a (x TEXT, y TEXT, z TEXT);"
          "INSERT INTO a VALUES (" +
              v + "," + v + "," + v + "), (" + v + "," + v + "," + v + "), (" + v + "," + v + "," +
              v +
              ");"
              "CREATE TRIGGER no_y BEFORE UPDATE OF y ON a WHEN old.rowid = 3 "
              "BEGIN SELECT RAISE(ABORT, 'y of row 3 is locked'); END;"
              "CREATE TABLE b (k TEXT PRIMARY KEY, w TEXT CHECK (length(CAST(w AS BLOB)) < 10)) "
              "WITHOUT ROWID;"
              "INSERT INTO b VALUES ('A', 'Ha Noi'), ('B', " +
              v +
              ");"
              "CREATE TABLE c (w TEXT); INSERT INTO c VALUES (" +
              v + ");");
  auto b = open();
  SchemaTree tree;
  b->fillSchema(tree);
  tree.clickBox(tree.item(tree.root()).children[0], Propagation::kFromItem, [&](int c) {
    return b->convertible({tree.item(tree.tableOf(c)).text, tree.item(c).text});
  });
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver observer;
  const RunReport r = runConversion(*b, tree, converter, observer);
  ASSERT_EQ(r.columns.size(), 5u);  // a.x, a.y (failed), b.k, b.w (failed), c.w
  EXPECT_EQ(r.columns[1].column.label(), "a.y");
  EXPECT_TRUE(r.columns[1].failed);
  EXPECT_EQ(r.columns[1].row, "rowid 3");
  EXPECT_EQ(r.columns[1].error, "y of row 3 is locked");
  EXPECT_EQ(r.columns[3].row, "k = 'B'");
  EXPECT_NE(r.columns[3].error.find("CHECK"), std::string::npos) << r.columns[3].error;
  EXPECT_TRUE(r.anyFailed());
  const std::string raw = encode("Việt Nam", kTcvn3);
  EXPECT_EQ(query(db(), "SELECT DISTINCT x FROM a"),
            (std::vector<std::vector<std::string>>{{"Việt Nam"}}));
  EXPECT_EQ(query(db(), "SELECT DISTINCT y FROM a"),
            (std::vector<std::vector<std::string>>{{raw}}));
  EXPECT_EQ(query(db(), "SELECT DISTINCT z FROM a"),
            (std::vector<std::vector<std::string>>{{raw}}));
  EXPECT_EQ(query(db(), "SELECT w FROM b ORDER BY k")[1][0], raw);
  EXPECT_EQ(query(db(), "SELECT w FROM c")[0][0], "Việt Nam");
}

// The guard and each value judged as good Unicode or legacy text: a TCVN3 column whose first
// rows hold UTF-8 is converted (the UTF-8 left), a column of good UTF-8 changes nothing under
// any source, a run stopped after its first column completes on the next.
TEST_F(Sqlite, GoodUnicodeIsLeftWhereverItStandsInAColumn) {
  const std::vector<std::string> unicode{"Đà Nẵng", "Lê Bá Tùng", "cà phê sữa", "Nguyễn Thị Hà"};
  std::string sql = "CREATE TABLE t (id INTEGER PRIMARY KEY, a TEXT, b TEXT);";
  for (int i = 0; i < 3000; ++i) {
    const std::string legacy = encode("Nguyễn Văn Việt ở phố Hàng Bạc số " + std::to_string(i), kTcvn3);
    const std::string first = i < 4 ? unicode[static_cast<std::size_t>(i)] : legacy;
    sql += "INSERT INTO t VALUES (" + std::to_string(i) + ", " + quoteText(first) + ", " +
           quoteText(legacy) + ");";
  }
  execSql(db(), "BEGIN;" + sql + "COMMIT;");
  auto b = open();
  ValueConverter converter(kTcvn3, kUtf8);
  EXPECT_TRUE(checkCharset(*b, {"t", "a"}, kTcvn3, 64 * 1024, &converter).readsAs);
  // A stop after the first column; the rerun converts the second and leaves the first.
  struct OneColumn : RunObserver {
    int done = 0;
    void columnDone(const ColumnReport&) override { ++done; }
    bool stopRequested() override { return done >= 1; }
  } stopAfterOne;
  RunReport r = convertColumns(*b, {{"t", "a"}, {"t", "b"}}, converter, stopAfterOne);
  EXPECT_EQ(r.columns.at(0).converted, 2996u);
  EXPECT_EQ(r.columns.at(0).already, 4u);
  EXPECT_EQ(query(db(), "SELECT a FROM t WHERE id IN (1, 4) ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"Lê Bá Tùng"},
                                                   {"Nguyễn Văn Việt ở phố Hàng Bạc số 4"}}));
  RunObserver quiet;
  r = convertColumns(*b, {{"t", "a"}, {"t", "b"}}, converter, quiet);
  ASSERT_EQ(r.columns.size(), 2u);
  EXPECT_FALSE(r.columns[0].left);
  EXPECT_EQ(r.columns[0].converted, 0u);
  EXPECT_EQ(r.columns[0].already, 3000u);
  EXPECT_EQ(r.columns[1].converted, 3000u);
  // Good UTF-8 under an automatic source, or another named one: nothing changes.
  const auto before = query(db(), "SELECT a, b FROM t ORDER BY id");
  for (int from : {kAutomatic, int{kVniWin}, int{kTcvn3}}) {
    ValueConverter again(from, kUtf8);
    EXPECT_EQ(b->convertColumn({"t", "a"}, again, quiet).converted, 0u) << from;
    EXPECT_EQ(dryRun(*b, {"t", "b"}, again, 0).counts.converted, 0u) << from;
  }
  EXPECT_EQ(query(db(), "SELECT a, b FROM t ORDER BY id"), before);
}

TEST_F(Sqlite, AStopRollsBackAndAutomaticSourceDecidesPerValue) {
  std::string sql = "CREATE TABLE t (v TEXT);";
  const std::vector<std::string> values{encode("Tiếng Việt có dấu", kTcvn3),
                                        encode("Tiếng Việt có dấu", kVniWin), "Tiếng Việt có dấu",
                                        "plain"};
  for (int i = 0; i < 100; ++i)
    for (const auto& v : values) sql += "INSERT INTO t VALUES (" + quoteText(v) + ");";
  execSql(db(), sql);
  auto b = open();
  struct StopAt : RunObserver {
    std::uint64_t steps = 0;
    void step(std::uint64_t, std::uint64_t) override { ++steps; }
    bool stopRequested() override { return steps >= 50; }
  } stop;
  ValueConverter automatic(kAutomatic, kUtf8);
  const ColumnReport stopped = b->convertColumn({"t", "v"}, automatic, stop);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_FALSE(stopped.failed);
  EXPECT_EQ(query(db(), "SELECT count(DISTINCT v) FROM t")[0][0], "4");

  RunObserver observer;
  const ColumnReport r = b->convertColumn({"t", "v"}, automatic, observer);
  EXPECT_EQ(r.converted, 200u);
  EXPECT_EQ(r.unchanged, 100u);  // "plain"
  EXPECT_EQ(r.already, 100u);    // good Unicode is converted already, an automatic source too
  EXPECT_EQ(query(db(), "SELECT DISTINCT v FROM t ORDER BY v"),
            (std::vector<std::vector<std::string>>{{"Tiếng Việt có dấu"}, {"plain"}}));
  // Read-only: refused before anything is touched.
  EXPECT_THROW(open(true)->convertColumn({"t", "v"}, automatic, observer), DbError);
}

}  // namespace
}  // namespace ts::db
