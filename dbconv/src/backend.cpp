#include "ts/db/backend.hpp"

#include <atomic>

#include "ts/platform/messages.hpp"

namespace ts::db {

bool DbError::busy() const {
  const long primary = native_ & 0xFF;
  switch (codes_) {
    case Codes::kSqlite: return primary == 5 /* SQLITE_BUSY */ || primary == 6 /* SQLITE_LOCKED */;
    case Codes::kOdbc:  // SQLite's codes through its driver, or a timeout
      return (state_ == "HY000" && (primary == 5 || primary == 6)) || state_ == "HYT00";
    case Codes::kPostgres: return state_ == "55P03";  // lock_not_available
    case Codes::kMariaDb: return native_ == 1205 || native_ == 1213;  // lock wait, deadlock
    case Codes::kNone: return false;
  }
  return false;
}

PropertyTable PropertyTable::ofProperties(const std::vector<std::string>& names,
                                          const std::vector<std::string>& values) {
  PropertyTable t;
  t.headers = {"Property     ", "Value     "};
  for (std::size_t i = 0; i < names.size(); ++i)
    t.rows.push_back({names[i], i < values.size() ? values[i] : std::string()});
  return t;
}

PropertyTable PropertyTable::ofObjects(std::string_view headerList) {
  PropertyTable t;
  std::size_t i = 0;
  for (std::size_t comma; (comma = headerList.find(',', i)) != std::string_view::npos;
       i = comma + 1)
    t.headers.emplace_back(headerList.substr(i, comma - i));
  t.headers.emplace_back(headerList.substr(i));
  return t;
}

PropertyTable PropertyTable::ofColumn(
    const SchemaTree& tree, int item, std::string_view headerList,
    const std::function<std::vector<std::string>(const ColumnRef&)>& row) {
  const int owner = tree.tableOf(item);
  if (owner == kNoItem) return {};
  return ofProperties(ofObjects(headerList).headers,
                      row({tree.item(owner).text, tree.item(item).text}));
}

namespace {

struct Interrupt {
  std::atomic<void*> context{nullptr};
  std::atomic<void (*)(void*) noexcept> call{nullptr};
};
Interrupt g_interrupts[8];

}  // namespace

void interruptStatements() noexcept {
  for (Interrupt& i : g_interrupts) {
    void* context = i.context.load();
    auto* call = i.call.load();
    if (context != nullptr && call != nullptr) call(context);
  }
}

void offerInterrupt(void* context, void (*interrupt)(void*) noexcept) {
  for (Interrupt& i : g_interrupts) {
    void* free = nullptr;
    if (i.context.compare_exchange_strong(free, context)) {
      i.call.store(interrupt);
      return;
    }
  }
}

void withdrawInterrupt(void* context) {
  for (Interrupt& i : g_interrupts) {
    if (i.context.load() == context) {
      i.call.store(nullptr);
      i.context.store(nullptr);
    }
  }
}

namespace said {

using ts::platform::formatted;
using ts::platform::tr;

DbError noTable(const std::string& name) {
  return DbError(formatted(tr("no table or view named '%s'"), name.c_str()));
}
DbError noColumn(const ColumnRef& column) {
  return DbError(formatted(tr("no column named '%s' in '%s'"), column.column.c_str(),
                           column.table.c_str()));
}
DbError aView(const std::string& table) {
  return DbError(formatted(tr("'%s' is a view: its values are not converted"), table.c_str()));
}
DbError noRowKey(const std::string& table) {
  return DbError(formatted(
      tr("the table '%s' has no primary key: its rows cannot be addressed, and it is left as it is"),
      table.c_str()));
}
DbError busy(const std::string& table, const DbError& e) {
  return DbError(formatted(tr("%s is busy or locked: another session holds a lock on it (tsdata "
                              "waited as long as --lock-timeout says)"),
                           table.c_str()),
                 e.native(), e.state(), e.codes());
}

}  // namespace said

}  // namespace ts::db
