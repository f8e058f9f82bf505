// Names in SQL text as the standard quotes them (SQLite and PostgreSQL alike): between double
// quotes, a double quote inside doubled.
#pragma once

#include <string>

namespace ts::db {

inline std::string quoteSqlName(const std::string& name) {
  std::string q = "\"";
  for (const char c : name) {
    if (c == '"') q.push_back('"');
    q.push_back(c);
  }
  q.push_back('"');
  return q;
}

}  // namespace ts::db
