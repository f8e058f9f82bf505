// The dBASE and FoxPro back end: one .dbf file is a database of one table, read and written
// through shapelib's DBF functions (raw records, so character fields stay byte for byte).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ts/db/backend.hpp"

struct stat;

namespace ts::db {

class DbfBackend final : public Backend {
 public:
  // Opens an existing .dbf file; DbError names the path and the reason.
  static std::unique_ptr<DbfBackend> open(const std::string& path, bool readOnly);

  Capabilities capabilities() const override {
    Capabilities c;
    c.file = true;
    c.afterFailure = Capabilities::AfterFailure::kSkipTable;
    c.marks = Propagation::kFromItem;
    return c;
  }
  std::string name() const override;
  bool readOnly() const override { return readOnly_; }
  void fillSchema(SchemaTree& tree) override;
  std::vector<TableInfo> tables(bool countRows) override;
  bool convertible(const ColumnRef& column) override;
  // Writes the converted table to a copy beside the file, renamed over it only when every
  // value fits: the file is always either wholly old or wholly new.
  ColumnReport convertColumn(const ColumnRef& column, ValueConverter& converter,
                             RunObserver& observer) override;
  void readColumn(const ColumnRef& column,
                  const std::function<bool(const StoredValue&)>& visit) override;
  TableData tableData(const std::string& table, std::size_t maxRows) override;
  PropertyTable properties(const SchemaTree& tree, int item) override;
  bool deleteObject(const SchemaTree&, int) override { return false; }
  ValueLimit valueLimit(const ColumnRef& column) override;
  std::string backup() override;

  struct Field {
    std::string name;
    char type = 'C';  // dBASE's letter: C character, N numeric, D date, L logical, M memo ...
    int width = 0, decimals = 0, offset = 0;
  };

 private:
  DbfBackend(std::string path, bool readOnly);
  void load();
  const Field& field(const ColumnRef& ref) const;
  std::string table() const;                    // the table's name: the file's stem
  std::vector<std::string> indexFiles() const;  // index files beside the table
  // Converts the field's values in the copy `temp`, record by record; false where stopped.
  void rewrite(const std::string& temp, const Field& f, ValueConverter& converter,
               RunObserver& observer, ColumnReport& report);
  // The whole converted copy, on the disk, made the table `target` (`original`: its file's
  // status); `placed` is called once the copy is no longer scratch.
  void place(const std::string& temp, const std::string& target, const struct stat& original,
             const std::function<void()>& placed, ColumnReport& report);
  // What the table's code page says once its text is in `destination` (a .cpg file beside it).
  void noteCodePage(int destination, ColumnReport& report) const;

  std::string path_;
  bool readOnly_;
  std::vector<Field> fields_;
  int records_ = 0;
  std::vector<std::string> opened_;  // what opening the table did, for the next report
  std::string codePage_;
};

}  // namespace ts::db
