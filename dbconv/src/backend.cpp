#include "ts/db/backend.hpp"

#include <atomic>

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

}  // namespace ts::db
