#include "ts/db/backend.hpp"

namespace ts::db {

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

}  // namespace ts::db
