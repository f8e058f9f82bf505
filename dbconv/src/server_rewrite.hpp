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

// Rewrites the column through `driver`, counting into `report`.  After a stop the report says
// so and the transaction is left to the driver's end (rolled back); a failure throws.
void rewriteColumn(RewriteDriver& driver, ValueConverter& converter, RunObserver& observer,
                   ColumnPass::Storage storage, ColumnReport& report,
                   ValueShape shape = ValueShape::kScalar);

}  // namespace ts::db
