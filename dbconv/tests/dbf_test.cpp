// dBASE and FoxPro tables made by the tests through shapelib: the tree, conversion with the
// blanks that pad each value, a value too long for its field, the .cpg of a shapefile's
// table, and a conversion killed half way.
#include <gtest/gtest.h>
#include <shapefil.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "../src/dbf_backend.hpp"
#include "db_test_util.hpp"
#include "ts/db/conversion.hpp"
#include "ts/testing/process.hpp"

namespace ts::db {
namespace {

namespace fs = std::filesystem;
using testing::convertBytes;
using testing::tcvn3;

class Dbf : public ts::testing::ScratchTest {
 protected:
  std::string path() const { return (dir_ / "people.dbf").string(); }
  // A table with character, numeric, logical, date and memo fields; names in TCVN3.
  void make(const std::vector<std::string>& names, int nameWidth = 20) {
    DBFHandle h = DBFCreate(path().c_str());
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(DBFAddField(h, "NAME", FTString, nameWidth, 0), 0);
    ASSERT_EQ(DBFAddField(h, "AGE", FTInteger, 3, 0), 1);
    ASSERT_EQ(DBFAddField(h, "PAID", FTLogical, 1, 0), 2);
    ASSERT_EQ(DBFAddNativeFieldType(h, "BORN", 'D', 8, 0), 3);
    ASSERT_EQ(DBFAddNativeFieldType(h, "NOTE", 'M', 10, 0), 4);
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
      DBFWriteStringAttribute(h, i, 0, names[static_cast<std::size_t>(i)].c_str());
      DBFWriteIntegerAttribute(h, i, 1, 30 + i);
      DBFWriteLogicalAttribute(h, i, 2, 'T');
      DBFWriteStringAttribute(h, i, 3, "19900101");
      DBFWriteStringAttribute(h, i, 4, "");
    }
    DBFClose(h);
  }
  // The raw bytes of a character field, blanks and all.
  std::string raw(int record, int field = 0) {
    DBFHandle h = DBFOpen(path().c_str(), "rb");
    const char* tuple = DBFReadTuple(h, record);
    std::string v(tuple + h->panFieldOffset[field],
                  static_cast<std::size_t>(h->panFieldSize[field]));
    DBFClose(h);
    return v;
  }
  static std::string padded(std::string v, std::size_t width) {
    v.resize(width, ' ');
    return v;
  }
};

TEST_F(Dbf, TreeFieldsAndWhatConverts) {
  make({tcvn3("Việt")});
  ts::testing::writeFile(dir_ / "people.cdx", "");
  auto b = DbfBackend::open(path(), false);
  SchemaTree tree;
  b->fillSchema(tree);
  const int root = tree.root();
  EXPECT_EQ(tree.item(root).text, "people.dbf");
  const int table =
      tree.find(tree.find(root, ItemKind::kTables, "Tables"), ItemKind::kTable, "people");
  ASSERT_NE(table, kNoItem);
  const int fields = tree.find(table, ItemKind::kFields, "Fields");
  std::vector<std::string> names;
  for (int c : tree.item(fields).children) names.push_back(tree.item(c).text);
  EXPECT_EQ(names, (std::vector<std::string>{"NAME", "AGE", "PAID", "BORN", "NOTE"}));
  EXPECT_EQ(tree.item(tree.item(tree.find(table, ItemKind::kIndexes, "Indexes")).children[0]).text,
            "people.cdx");
  EXPECT_TRUE(b->convertible({"people", "NAME"}));
  for (const char* c : {"AGE", "PAID", "BORN", "NOTE"})
    EXPECT_FALSE(b->convertible({"people", c})) << c;
  const PropertyTable memo = b->properties(tree, tree.item(fields).children[4]);
  EXPECT_EQ(memo.rows[1][1], "Memo");
  EXPECT_NE(memo.rows[4][1].find("memo file"), std::string::npos);
  const TableData d = b->tableData("people", 10);
  EXPECT_EQ(d.rows[0][0], tcvn3("Việt"));
  EXPECT_EQ(d.rows[0][1], "30");
}

TEST_F(Dbf, ConvertsWithinTheFieldsWidthAndKeepsTheFilesMode) {
  make({tcvn3("Huế"), tcvn3("  Đà Nẵng"), "", "plain"}, 14);
  chmod(path().c_str(), 0640);
  ts::testing::writeFile(dir_ / "people.cdx", "");
  auto b = DbfBackend::open(path(), false);
  ValueConverter toUtf8(kTcvn3, kUtf8);
  RunObserver quiet;
  const ColumnReport r = b->convertColumn({"people", "NAME"}, toUtf8, quiet);
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(r.converted, 2u);
  EXPECT_EQ(r.unchanged, 2u);
  EXPECT_EQ(raw(0), padded("Huế", 14));
  EXPECT_EQ(raw(1), padded("  Đà Nẵng", 14));  // leading blanks are the value's own
  EXPECT_EQ(raw(2), padded("", 14));
  ASSERT_EQ(r.notes.size(), 2u);
  EXPECT_NE(r.notes[0].find("people.cdx"), std::string::npos);
  EXPECT_NE(r.notes[1].find("keeps its code page byte"), std::string::npos);
  struct stat st {};
  stat(path().c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // And back, UTF-8 to VNI.
  ValueConverter toVni(kUtf8, kVniWin);
  EXPECT_FALSE(b->convertColumn({"people", "NAME"}, toVni, quiet).failed);
  EXPECT_EQ(raw(0), padded(convertBytes("Huế", kUtf8, kVniWin), 14));
  // No file is left beside it.
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir_))
    files += e.path().filename().string()[0] == '.';
  EXPECT_EQ(files, 0);
}

TEST_F(Dbf, AValueTooLongForItsFieldLeavesTheTableAsItWas) {
  // "Nguyễn Văn Đức" takes 14 bytes in TCVN3 and 20 in UTF-8.
  make({tcvn3("Huế"), tcvn3("Nguyễn Văn Đức")}, 16);
  const std::string before = ts::testing::readFile(path());
  auto b = DbfBackend::open(path(), false);
  ValueConverter converter(kTcvn3, kUtf8);
  // The dry run says so first.
  auto r = ts::testing::runProgram(
      TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8", "--dry-run", path(), "people.NAME"}, dir_);
  EXPECT_NE(r.out.find("1 value(s) would not fit the column (it holds 16)"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  record 2: Nguyễn Văn Đức\n"), std::string::npos) << r.out;
  RunObserver quiet;
  const ColumnReport report = b->convertColumn({"people", "NAME"}, converter, quiet);
  EXPECT_TRUE(report.failed);
  EXPECT_EQ(report.row, "record 2");
  EXPECT_NE(report.error.find("takes 20 bytes; the field 'NAME' holds 16"), std::string::npos)
      << report.error;
  EXPECT_EQ(ts::testing::readFile(path()), before);
}

TEST_F(Dbf, AShapefilesTableSaysUtf8Afterwards) {
  make({tcvn3("Hà Nội")});
  ts::testing::writeFile(dir_ / "people.shp", "");
  auto b = DbfBackend::open(path(), false);
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver quiet;
  const ColumnReport r = b->convertColumn({"people", "NAME"}, converter, quiet);
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(ts::testing::readFile(dir_ / "people.cpg"), "UTF-8");
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_EQ(r.notes[0], "people.cpg made: it says UTF-8");
  // Another destination leaves a code-page mark as it is, and says so.
  ValueConverter toVni(kUtf8, kVniWin);
  const ColumnReport again = b->convertColumn({"people", "NAME"}, toVni, quiet);
  EXPECT_EQ(ts::testing::readFile(dir_ / "people.cpg"), "UTF-8");
  ASSERT_EQ(again.notes.size(), 1u);
  EXPECT_NE(again.notes[0].find("left as it is"), std::string::npos);
}

TEST_F(Dbf, TsdataDryRunAndAKilledConversionLeavesTheTableWhole) {
  std::vector<std::string> names(300000, tcvn3("Việt Nam"));
  make(names);
  auto r = ts::testing::runProgram(
      TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8", "--dry-run=1", path(), "people"}, dir_);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("people.NAME: 300000 of 300000 values would change"), std::string::npos)
      << r.out;
  // The value as the table holds it (its bytes that are no UTF-8 escaped), then the result.
  EXPECT_NE(r.out.find("record 1: Vi\\xD6t Nam\n    -> Việt Nam"), std::string::npos) << r.out;
  const std::string before = ts::testing::readFile(path());
  ts::testing::Program tsdata(TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8", path(), "people"}, dir_);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  tsdata.signal(SIGKILL);
  tsdata.wait();
  EXPECT_EQ(ts::testing::readFile(path()), before);
  // The run again: it removes the copy the killed run left, and converts.
  auto hidden = [&] {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir_))
      n += e.path().filename().string().rfind(".people.dbf.", 0) == 0;
    return n;
  };
  const int left = hidden();
  r = ts::testing::runProgram(TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8", path(), "people"}, dir_);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(hidden(), 0);
  if (left > 0) {
    EXPECT_NE(r.out.find("left by a run that did not end"), std::string::npos) << r.out;
  }
  EXPECT_EQ(raw(299999), padded("Việt Nam", 20));
}

TEST_F(Dbf, ATableBehindALinkOrWithHardLinksIsConvertedWhereItIs) {
  make({tcvn3("Việt"), tcvn3("Hà Nội")});
  chmod(path().c_str(), 0640);
  const fs::path real = dir_ / "people.dbf", link = dir_ / "link.dbf", hard = dir_ / "hard.dbf";
  fs::create_symlink(real.filename(), link);
  ValueConverter converter(kTcvn3, kUtf8);
  RunObserver quiet;
  {
    auto b = DbfBackend::open(link.string(), false);
    // The backup keeps the table's mode.
    const std::string kept = b->backup();
    EXPECT_EQ(fs::status(kept).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const ColumnReport r = b->convertColumn({"link", "NAME"}, converter, quiet);
    EXPECT_FALSE(r.failed) << r.error;
  }
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(raw(1), padded("Hà Nội", 20));
  // A table with another hard link: written in place, so that both names show it, and said.
  make({tcvn3("Huế")});
  fs::create_hard_link(real, hard);
  auto b = DbfBackend::open(path(), false);
  const ColumnReport r = b->convertColumn({"people", "NAME"}, converter, quiet);
  EXPECT_FALSE(r.failed) << r.error;
  ASSERT_FALSE(r.notes.empty());
  EXPECT_NE(r.notes.front().find("hard link"), std::string::npos) << r.notes.front();
  EXPECT_EQ(fs::hard_link_count(real), 2u);
  EXPECT_EQ(ts::testing::readFile(hard.string()), ts::testing::readFile(real.string()));
  EXPECT_EQ(raw(0), padded("Huế", 20));
}

// A damaged table says what is wrong with it, never "No such file or directory".
TEST_F(Dbf, ADamagedTableSaysWhy) {
  make({tcvn3("Việt"), tcvn3("Nam"), tcvn3("Huế")});
  const std::string whole = ts::testing::readFile(path());
  ts::testing::writeFile(path(), whole.substr(0, whole.size() - 40));
  EXPECT_THROW(
      try { DbfBackend::open(path(), true); } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("cut short: its header says 3 records"),
                  std::string::npos)
            << e.what();
        throw;
      },
      DbError);
  ts::testing::writeFile(path(), "not a table at all");
  EXPECT_THROW(
      try { DbfBackend::open(path(), true); } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("no dBASE header"), std::string::npos) << e.what();
        EXPECT_EQ(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
        throw;
      },
      DbError);
}

// A table with another hard link is written into itself: a kill while that is under way
// never leaves it cut short, and the next run writes the whole converted copy it left; a full
// disk stops a backup or a conversion before anything changes.
TEST_F(Dbf, AHardLinkedTableSurvivesAKillAndAFullDisk) {
  const std::vector<std::string> names(300000, tcvn3("Việt Nam"));
  const fs::path hard = dir_ / "hard.dbf";
  const fs::path pending = dir_ / ".people.dbf.write-back";
  auto fresh = [&] {
    fs::remove(path());
    fs::remove(hard);
    fs::remove(pending);
    make(names);
    fs::create_hard_link(path(), hard);
  };
  auto same = [&](const fs::path& a, const fs::path& b) {
    return ts::testing::readFile(a.string()) == ts::testing::readFile(b.string());
  };
  const std::vector<std::string> convert{"-f", "tcvn3", "-t", "utf8", path(), "people"};
  // Killed as soon as the copy waits beside the table (or later, where the run was quicker).
  bool caught = false;
  for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
    fresh();
    const auto size = fs::file_size(path());
    ts::testing::Program tsdata(TSDATA_PATH, convert, dir_);
    for (int i = 0; i < 20000 && !fs::exists(pending); ++i)
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    tsdata.signal(SIGKILL);
    tsdata.wait();
    caught = fs::exists(pending);
    EXPECT_EQ(fs::file_size(path()), size);  // never truncated
  }
  // A run killed there (made so where the kills came too late): the next one writes it first.
  if (!caught) {
    fresh();
    const fs::path converted = dir_ / "converted.dbf";
    fs::copy_file(path(), converted);
    ValueConverter converter(kTcvn3, kUtf8);
    RunObserver quiet;
    EXPECT_FALSE(DbfBackend::open(converted.string(), false)
                     ->convertColumn({"converted", "NAME"}, converter, quiet)
                     .failed);
    fs::rename(converted, pending);
  }
  // Listing it only says so; the run again writes it, then finds the column converted.
  auto r = ts::testing::runProgram(TSDATA_PATH, {"--list", path()}, dir_);
  EXPECT_NE(r.err.find("waits for a converted copy"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(pending));
  r = ts::testing::runProgram(TSDATA_PATH, convert, dir_);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("wrote the converted table a stopped run left"), std::string::npos)
      << r.out;
  EXPECT_FALSE(fs::exists(pending));
  EXPECT_EQ(raw(0), padded("Việt Nam", 20));
  EXPECT_EQ(raw(299999), padded("Việt Nam", 20));
  EXPECT_EQ(fs::hard_link_count(path()), 2u);
  EXPECT_TRUE(same(hard, path()));

  // A full disk (a file size limit): the backup fails before anything changes, and so does a
  // conversion whose copy cannot be written.
  fresh();
  const fs::path original = dir_ / "original";
  fs::copy_file(path(), original);
  for (const bool backup : {true, false}) {
    const std::string command = "trap '' XFSZ; ulimit -f 2048; exec '" +
                                std::string(TSDATA_PATH) + "' -f tcvn3 -t utf8 " +
                                (backup ? "--backup " : "") + "'" + path() + "' people";
    r = ts::testing::runProgram("/bin/sh", {"-c", command}, dir_);
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("copied"), std::string::npos) << r.out;
    EXPECT_TRUE(same(path(), original)) << backup;
    EXPECT_FALSE(fs::exists(path() + ".bak"));
  }
}

}  // namespace
}  // namespace ts::db
