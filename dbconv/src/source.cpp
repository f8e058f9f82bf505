#include <filesystem>

#include "dbf_backend.hpp"
#include "odbc_backend.hpp"
#include "pg_backend.hpp"
#include "ts/db/postgres.hpp"
#include "sqlite_backend.hpp"
#include "ts/db/backend.hpp"

namespace ts::db {

std::unique_ptr<Backend> openSource(const std::string& source, bool readOnly) {
  auto startsWith = [&](const char* prefix) { return source.rfind(prefix, 0) == 0; };
  if (startsWith("odbc:")) return OdbcBackend::connect(source.substr(5));
  if (startsWith("postgresql://") || startsWith("postgres://"))
    return PgBackend::connect(source);
  if (startsWith("pg:")) return PgBackend::connect(source.substr(3));
  std::string ext = std::filesystem::path(source).extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == ".dbf") return DbfBackend::open(source, readOnly);
  return SqliteBackend::open(source, readOnly);
}

std::string sourceForDisplay(const std::string& source) {
  if (source.rfind("odbc:", 0) == 0) return "odbc:" + odbcHidePassword(source.substr(5));
  if (source.rfind("pg:", 0) == 0) return "pg:" + pgHidePassword(source.substr(3));
  if (source.rfind("postgres", 0) == 0) return pgHidePassword(source);
  return source;
}

}  // namespace ts::db
