// The rewrite of one column on a database server, the same for every server back end: one
// transaction with the table locked as its database does it, the rows read in blocks, each
// value converted through ColumnPass (counts, progress, stop), the changed values staged with
// their rows' keys, and the staged values written (where the driver joins them, by one update
// at the end).  A driver does the SQL of its library; the steps and their order are here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ts/db/backend.hpp"
#include "ts/db/conversion.hpp"

namespace ts::db {

class RewriteDriver {
 public:
  virtual ~RewriteDriver() = default;
  // Begins the transaction, locks the table against other writers and prepares the reading;
  // returns the count of its rows.
  virtual std::uint64_t begin() = 0;
  // The next block of rows, in `values` (a null pointer for NULL); false after the last.  The
  // driver keeps each row's key until the next call.
  virtual bool read(std::vector<const std::string_view*>& values) = 0;
  // A changed row of the last block: its index there and the value to store.
  struct Change {
    std::size_t row;
    std::string_view stored;
    std::string_view read;  // the value as it was read
  };
  // Stages the changes of the last block; a failure throws DbError naming the row.
  virtual void stage(const std::vector<Change>& changes) = 0;
  // Writes what was staged (`changed`: anything was) and commits.
  virtual void finish(bool changed) = 0;
};

// A server's column as the listing shows it: text that is not generated and lies in a table
// (`text`) is convertible where it is stored as bytes; held as Unicode (`wide`) it is converted
// only when named by itself.
ColumnInfo serverColumn(std::string name, std::string type, bool text, bool wide, bool generated);

// PostgreSQL's staging of the changed values, through libpq and through an ODBC driver alike:
// a temporary table of the values beside their rows' keys (k0, k1...), made like the rows and
// dropped at commit, and the one update that joins it.
namespace pg_staging {
// `rows`: the rows read ("ONLY s.t"); `value`: the column as read ("v", "v::text"); `keys`:
// the columns that address a row, as SQL.
std::string createScratch(const std::string& scratch, const std::string& rows,
                          const std::string& value, const std::vector<std::string>& keys);
// `table`: the table as SQL (its keys are qualified by it); `back`: the cast that stores the
// value as staged ("::jsonb", or nothing).
std::string joinUpdate(const std::string& scratch, const std::string& rows,
                       const std::string& table, const std::string& column,
                       const std::string& back, const std::vector<std::string>& keys);
// A table's own rows: an ordinary table (relkind 'r') is read with its child tables unless
// ONLY says otherwise (a partitioned table's rows are its partitions').
std::string ownRows(char relkind, const std::string& table);
}  // namespace pg_staging

// Rewrites the column through `driver`, counting into `report`.  After a stop the report says
// so and the transaction is left to the driver's end (rolled back); a failure throws.
void rewriteColumn(RewriteDriver& driver, ValueConverter& converter, RunObserver& observer,
                   ColumnPass::Storage storage, ColumnReport& report,
                   ValueShape shape = ValueShape::kScalar);

}  // namespace ts::db
