// The schema tree's marks and walk, the progress rule and the run's failure rules, on trees
// built by hand and a back end in memory that fails where it is told to.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "db_test_util.hpp"
#include "ts/db/conversion.hpp"
#include "ts/db/schema.hpp"
#include "ts/unicode.hpp"

namespace ts::db {
namespace {

// Two tables in the file-database shape: root / Tables / table / Fields / columns.
struct FileTree {
  SchemaTree tree;
  int root, tables, a, aFields, aName, aCount, aNote, b, bFields, bName, relations;
  FileTree() {
    root = tree.add(kNoItem, ItemKind::kDatabase, "shop.db");
    tables = tree.add(root, ItemKind::kTables, "Tables");
    a = tree.add(tables, ItemKind::kTable, "a");
    aFields = tree.add(a, ItemKind::kFields, "Fields");
    aName = tree.add(aFields, ItemKind::kColumn, "name");
    aCount = tree.add(aFields, ItemKind::kColumn, "count");
    aNote = tree.add(aFields, ItemKind::kColumn, "note");
    tree.add(a, ItemKind::kIndexes, "Indexes");
    b = tree.add(tables, ItemKind::kTable, "b");
    bFields = tree.add(b, ItemKind::kFields, "Fields");
    bName = tree.add(bFields, ItemKind::kColumn, "name");
    relations = tree.add(root, ItemKind::kRelations, "Relations");
  }
  std::function<bool(int)> textColumns() const {
    return [this](int c) { return tree.item(c).text != "count"; };
  }
};

TEST(SchemaTree, MarksSpreadAsEachBackEndSays) {
  {  // From the first table: its own text columns, never the table after it; bold on text
     // columns only.
    FileTree t;
    t.tree.clickBox(t.a, Propagation::kFromItem, t.textColumns());
    for (int c : {t.aName, t.aNote}) {
      EXPECT_TRUE(t.tree.marked(c));
      EXPECT_TRUE(t.tree.item(c).bold);
    }
    EXPECT_FALSE(t.tree.marked(t.bName));
    EXPECT_FALSE(t.tree.marked(t.b));
    EXPECT_FALSE(t.tree.marked(t.aCount));
    EXPECT_FALSE(t.tree.item(t.aCount).bold);
    EXPECT_TRUE(t.tree.marked(t.a));
    // Clicking again clears them; bold stays.
    t.tree.clickBox(t.a, Propagation::kFromItem, t.textColumns());
    EXPECT_FALSE(t.tree.marked(t.aName));
    EXPECT_TRUE(t.tree.item(t.aName).bold);
  }
  {  // From the last table: its own columns only.
    FileTree t;
    t.tree.clickBox(t.b, Propagation::kFromItem, t.textColumns());
    EXPECT_TRUE(t.tree.marked(t.bName));
    EXPECT_FALSE(t.tree.marked(t.aName));
  }
  {  // A column's own box toggles whatever its type, and spreads nothing.
    FileTree t;
    t.tree.clickBox(t.aCount, Propagation::kFromItem, t.textColumns());
    EXPECT_TRUE(t.tree.marked(t.aCount));
    EXPECT_FALSE(t.tree.item(t.aCount).bold);
    EXPECT_FALSE(t.tree.marked(t.aName));
  }
  {  // ODBC and PostgreSQL: the subtree only, and root, folders and tables take the mark.
    SchemaTree tree;
    const int root = tree.add(kNoItem, ItemKind::kDatabase, "Data Source");
    const int tables = tree.add(root, ItemKind::kTables, "Tables");
    const int a = tree.add(tables, ItemKind::kTable, "a");
    const int aName = tree.add(a, ItemKind::kColumn, "name");
    const int b = tree.add(tables, ItemKind::kTable, "b");
    const int bName = tree.add(b, ItemKind::kColumn, "name");
    tree.clickBox(a, Propagation::kSubtree, [](int) { return true; });
    EXPECT_TRUE(tree.marked(aName));
    EXPECT_FALSE(tree.marked(bName));
    tree.clickBox(root, Propagation::kSubtree, [](int) { return true; });
    for (int i : {root, tables, a, b, bName}) EXPECT_TRUE(tree.marked(i)) << i;
  }
}

TEST(SchemaTree, WalkVisitsChildrenFirstAndFindsColumns) {
  FileTree t;
  std::vector<std::string> order;
  t.tree.walk(t.root, [&](int i) {
    order.push_back(t.tree.item(i).text);
    return SchemaTree::Next::kGoOn;
  });
  EXPECT_EQ(order,
            (std::vector<std::string>{"name", "count", "note", "Fields", "Indexes", "a", "name",
                                      "Fields", "b", "Tables", "Relations", "shop.db"}));
  EXPECT_EQ(t.tree.tableOf(t.bName), t.b);
  EXPECT_EQ(findColumnItem(t.tree, {"b", "name"}), t.bName);
  EXPECT_EQ(findColumnItem(t.tree, {"b", "note"}), kNoItem);
}

TEST(ProgressRule, StepsAtTheIntervalOfOneHundredth) {
  auto steps = [](std::uint64_t n) {
    ProgressRule rule(n);
    std::vector<std::uint64_t> at;
    for (std::uint64_t r = 1; r <= n; ++r)
      if (rule.record()) at.push_back(r);
    return at;
  };
  const auto s250 = steps(250);  // every 2 records after the first two
  ASSERT_FALSE(s250.empty());
  EXPECT_EQ(s250.front(), 3u);
  for (std::size_t i = 1; i < s250.size(); ++i) EXPECT_EQ(s250[i] - s250[i - 1], 2u);
  EXPECT_EQ(steps(40).size(), 40u);  // every record
  EXPECT_TRUE(steps(0).empty());
  EXPECT_EQ(timingReport(3723), "Time taken: 01:02:03.");
  EXPECT_EQ(columnCaption("họ tên"), " Converting [họ tên] ...");
}

// A back end in memory: its columns fail when their name says so ("bad" with a database
// error, "boom" with any other exception); converting "a.one" converts "b.three" too, as a
// trigger would; "p" is partitioned into "p1".
class Memory : public Backend {
 public:
  explicit Memory(Capabilities::AfterFailure after) { caps_.afterFailure = after; }
  Capabilities capabilities() const override { return caps_; }
  std::string name() const override { return "test"; }
  bool readOnly() const override { return false; }
  void fillSchema(SchemaTree&) override {}
  std::vector<TableInfo> tables(bool) override { return {}; }
  bool convertible(const ColumnRef&) override { return true; }
  ColumnReport convertColumn(const ColumnRef& c, ValueConverter& converter, RunObserver&) override {
    if (c.column.rfind("bad", 0) == 0) throw DbError("refused", 19, "23505");
    if (c.column.rfind("boom", 0) == 0) throw std::length_error("vector too long");
    ColumnReport r;
    r.column = c;
    r.converted = convert(c.label(), converter, &r.already);
    if (c.label() == "a.one") convert("b.three", converter);
    return r;
  }
  void readColumn(const ColumnRef& c,
                  const std::function<bool(const StoredValue&)>& visit) override {
    for (const std::string& v : values[c.label()]) {
      StoredValue s;
      s.type = StoredValue::Type::kText;
      s.bytes = v;
      if (!visit(s)) return;
    }
  }
  TableData tableData(const std::string&, std::size_t) override { return {}; }
  PropertyTable properties(const SchemaTree&, int) override { return {}; }
  bool deleteObject(const SchemaTree&, int) override { return false; }
  std::vector<std::string> partsOf(const std::string& t) override {
    return t == "p" ? std::vector<std::string>{"p1"} : std::vector<std::string>{};
  }

  std::map<std::string, std::vector<std::string>> values;

 private:
  std::uint64_t convert(const std::string& label, ValueConverter& converter,
                        std::uint64_t* already = nullptr) {
    ByteBuffer out;
    std::uint64_t n = 0;
    for (std::string& v : values[label]) {
      const ValueConverter::Outcome o = converter.convert(v, out);
      if (o == ValueConverter::Outcome::kAlready && already != nullptr) ++*already;
      if (o != ValueConverter::Outcome::kConverted) continue;
      v = out.str();
      ++n;
    }
    return n;
  }
  Capabilities caps_;
};

TEST(ConversionRun, AFailedColumnEndsWhatItsBackEndSays) {
  SchemaTree tree;
  const int root = tree.add(kNoItem, ItemKind::kDatabase, "db");
  const int tables = tree.add(root, ItemKind::kTables, "Tables");
  const int a = tree.add(tables, ItemKind::kTable, "a");
  for (const char* c : {"one", "bad", "two"}) tree.add(a, ItemKind::kColumn, c);
  const int b = tree.add(tables, ItemKind::kTable, "b");
  tree.add(b, ItemKind::kColumn, "three");
  for (std::size_t i = 0; i < tree.size(); ++i)
    if (tree.item(static_cast<int>(i)).kind == ItemKind::kColumn)
      tree.setMark(static_cast<int>(i), ColumnMark::kMarked);

  using After = Capabilities::AfterFailure;
  auto run = [&](After after) {
    Memory backend(after);
    ValueConverter converter(15, 41);
    RunObserver observer;
    std::vector<std::string> done;
    const RunReport r = runConversion(backend, tree, converter, observer);
    for (const auto& c : r.columns) done.push_back(c.column.label() + (c.failed ? "!" : ""));
    std::vector<std::string> left;
    for (const auto& c : r.unconverted) left.push_back(c.label());
    return std::tuple{done, r.ended, left};
  };
  using V = std::vector<std::string>;
  // File databases: the rest of the failed column's table is skipped, the next table is not.
  EXPECT_EQ(run(After::kSkipTable),
            (std::tuple{V{"a.one", "a.bad!", "b.three"}, false, V{"a.bad", "a.two"}}));
  EXPECT_EQ(run(After::kGoOn),
            (std::tuple{V{"a.one", "a.bad!", "a.two", "b.three"}, false, V{"a.bad"}}));
  EXPECT_EQ(run(After::kEndRun),
            (std::tuple{V{"a.one", "a.bad!"}, true, V{"a.bad", "a.two", "b.three"}}));
}

TEST(ConversionRun, EachColumnIsConvertedOnceAndFailuresAreValues) {
  const std::string tcvn = testing::tcvn3("Nguyễn Văn Việt ở Hà Nội, đường Lê Lợi");
  Memory db(Capabilities::AfterFailure::kGoOn);
  for (const char* c : {"a.one", "b.three", "p.name", "p1.name", "c.boom"})
    db.values[c] = std::vector<std::string>(20, tcvn);
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver observer;
  RunOptions options;
  const std::vector<ColumnRef> columns{{"p1", "name"}, {"a", "one"},  {"b", "three"},
                                       {"p", "name"},  {"c", "boom"}, {"c", "bad"}};
  const RunReport r = convertColumns(db, columns, converter, observer, options);
  ASSERT_EQ(r.columns.size(), 6u);
  // A partition named with its partitioned table: converted through the table, once.
  EXPECT_TRUE(r.columns[0].left);
  EXPECT_EQ(db.values["p.name"].front(), "Nguyễn Văn Việt ở Hà Nội, đường Lê Lợi");
  // The trigger converted b.three with a.one: its values are good Unicode, each left and
  // counted as converted already.
  EXPECT_EQ(r.columns[1].converted, 20u);
  EXPECT_EQ(r.columns[2].converted, 0u);
  EXPECT_EQ(r.columns[2].already, 20u);
  EXPECT_EQ(db.values["b.three"].front(), "Nguyễn Văn Việt ở Hà Nội, đường Lê Lợi");
  // Any exception is the column's failure, with what the database said in its own terms.
  EXPECT_TRUE(r.columns[4].failed);
  EXPECT_EQ(r.columns[4].error, "vector too long");
  EXPECT_TRUE(r.columns[5].failed);
  EXPECT_EQ(r.columns[5].state, "23505");
  EXPECT_EQ(r.columns[5].native, 19);
  EXPECT_EQ(columnSummary(r.columns[5]),
            "c.bad: failed: refused; nothing in this column was changed");
  EXPECT_EQ(columnSummary(r.columns[2]),
            "b.three: 0 converted, 0 unchanged, 0 NULL, 0 skipped (not text), 20 already converted "
            "(left as they were)");
  EXPECT_EQ(shownName("a\nb\x1B"), "a\\nb\\x1B");
  // Forced, the guard lets it through (and the converter leaves the UTF-8 values as they are).
  options.forced.push_back({"b", "three"});
  const RunReport again = convertColumns(db, {{"b", "three"}}, converter, observer, options);
  EXPECT_FALSE(again.columns.front().left);
}

}  // namespace
}  // namespace ts::db

namespace ts::db {
namespace {

std::string in(const std::string& utf8, int code) {
  ConverterState s;
  selectPair(s, kUtf8, static_cast<std::uint32_t>(code));
  return convert(s, utf8);
}

TEST(ValueConverter, ChangesLettersWithinTheSourceCharset) {
  using Op = ValueConverter::Operation;
  ByteBuffer out;
  auto change = [&](int code, Op op, const std::string& utf8) {
    ValueConverter c(code, code, op);
    const auto outcome = c.convert(in(utf8, code), out);
    return std::pair{outcome,
                     outcome == ValueConverter::Outcome::kConverted ? out.str() : std::string()};
  };
  using O = ValueConverter::Outcome;
  for (int code : {int{kUtf8}, int{kVniWin}, int{kViscii}}) {
    EXPECT_EQ(change(code, Op::kUpper, "Đường Việt, số 7"),
              (std::pair{O::kConverted, in("ĐƯỜNG VIỆT, SỐ 7", code)}))
        << code;
    EXPECT_EQ(change(code, Op::kLower, "ĐƯỜNG Việt"),
              (std::pair{O::kConverted, in("đường việt", code)}))
        << code;
    EXPECT_EQ(change(code, Op::kStripMarks, "Đường Việt ă Ơ"),
              (std::pair{O::kConverted, std::string("Duong Viet a O")}))
        << code;
    EXPECT_EQ(change(code, Op::kUpper, "ABC 12").first, O::kUnchanged) << code;
  }
  // TCVN3 has no capitals with tones: those letters stay as they are.
  EXPECT_EQ(change(kTcvn3, Op::kUpper, "việt nam"),
            (std::pair{O::kConverted, in("VIệT NAM", kTcvn3)}));
  // A value that does not go to UTF-8 and back exactly is left alone.
  ValueConverter c(kTcvn3, kTcvn3, Op::kUpper);
  EXPECT_EQ(c.convert(std::string("a\x81", 2), out), O::kUndecided);
}

TEST(ValueConverter, StoresUnicodeAsTextAndLeavesValuesConvertedAlready) {
  using O = ValueConverter::Outcome;
  ByteBuffer out;
  // The escapes' destinations store the text itself in a database.
  for (int to : {int{kDecimalEsc}, int{kVnUnicode2}}) {
    ValueConverter c(kTcvn3, to);
    EXPECT_EQ(c.to(), kUtf8);
    EXPECT_EQ(c.convert(in("Nguyễn", kTcvn3), out), O::kConverted);
    EXPECT_EQ(out.str(), "Nguyễn");
  }
  // A mixed column: UTF-8 with Vietnamese letters is converted already, unless forced.
  ValueConverter c(kTcvn3, kUtf8);
  EXPECT_EQ(c.convert("Nguyễn Văn", out), O::kAlready);
  EXPECT_EQ(c.convert(in("Nguyễn Văn", kTcvn3), out), O::kConverted);
  EXPECT_EQ(c.convert("naïve", out), O::kConverted);  // no Vietnamese letter: legacy bytes
  c.setKeepConverted(false);
  EXPECT_EQ(c.convert("Nguyễn Văn", out), O::kConverted);
}

}  // namespace
}  // namespace ts::db
