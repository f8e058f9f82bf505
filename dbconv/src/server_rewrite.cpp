#include "server_rewrite.hpp"

namespace ts::db {

ColumnInfo serverColumn(std::string name, std::string type, bool text, bool wide,
                        bool generated) {
  ColumnInfo info{std::move(name), std::move(type), text && !wide, {}};
  if (generated) info.note = "generated";
  if (text && wide) {
    info.note = "Unicode: converted only when named by itself";
    info.unicode = true;
  }
  return info;
}

namespace pg_staging {

std::string createScratch(const std::string& scratch, const std::string& rows,
                          const std::string& value, const std::vector<std::string>& keys) {
  std::string sql = "CREATE TEMPORARY TABLE " + scratch + " ON COMMIT DROP AS SELECT " + value +
                    " AS v";
  for (std::size_t i = 0; i < keys.size(); ++i) sql += ", " + keys[i] + " AS k" + std::to_string(i);
  return sql + " FROM " + rows + " WITH NO DATA";
}

std::string joinUpdate(const std::string& scratch, const std::string& rows,
                       const std::string& table, const std::string& column,
                       const std::string& back, const std::vector<std::string>& keys) {
  std::string sql = "UPDATE " + rows + " SET " + column + " = x.v" + back + " FROM " + scratch +
                    " x WHERE ";
  for (std::size_t i = 0; i < keys.size(); ++i)
    sql += (i ? " AND " : "") + table + "." + keys[i] + " = x.k" + std::to_string(i);
  return sql;
}

std::string ownRows(char relkind, const std::string& table) {
  return (relkind == 'r' ? "ONLY " : "") + table;
}

}  // namespace pg_staging

void rewriteColumn(RewriteDriver& driver, ValueConverter& converter, RunObserver& observer,
                   ColumnPass::Storage storage, ColumnReport& report, ValueShape shape) {
  const std::uint64_t expected = driver.begin();
  ColumnPass pass(converter, observer, report, expected, storage, shape);
  std::vector<const std::string_view*> values;
  std::vector<RewriteDriver::Change> changes;
  std::vector<std::string> stored;  // the changed values of a block, kept for staging
  while (driver.read(values)) {
    changes.clear();
    std::size_t used = 0;
    for (std::size_t row = 0; row < values.size(); ++row) {
      if (!pass.next()) return;  // stopped: nothing is written
      if (values[row] == nullptr) {
        pass.null();
        continue;
      }
      const std::string* changed = pass.convert(*values[row]);
      if (changed == nullptr) continue;
      if (used == stored.size()) stored.emplace_back();
      stored[used].assign(*changed);
      changes.push_back({row, {}, *values[row]});
      ++used;
    }
    for (std::size_t i = 0; i < changes.size(); ++i) changes[i].stored = stored[i];
    if (!changes.empty()) driver.stage(changes);
  }
  driver.finish(report.converted > 0);
}

}  // namespace ts::db
