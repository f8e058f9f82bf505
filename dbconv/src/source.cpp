#include <filesystem>

#include "dbf_backend.hpp"
#include "odbc_backend.hpp"
#include "pg_backend.hpp"
#include "sqlite_backend.hpp"
#include "ts/db/backend.hpp"
#include "ts/db/postgres.hpp"

namespace ts::db {

namespace {

std::unique_ptr<Backend> openOdbc(const std::string& s, bool) { return OdbcBackend::connect(s); }
std::unique_ptr<Backend> openPg(const std::string& s, bool) { return PgBackend::connect(s); }
std::unique_ptr<Backend> openDbf(const std::string& s, bool ro) { return DbfBackend::open(s, ro); }
std::unique_ptr<Backend> openSqlite(const std::string& s, bool ro) {
  return SqliteBackend::open(s, ro);
}

}  // namespace

const std::vector<SourceForm>& sourceForms() {
  // The last form takes every source the others do not.
  static const std::vector<SourceForm> forms{
      {{"odbc:"}, {}, false, openOdbc, odbcHidePassword},
      {{"postgresql://", "postgres://"}, {}, true, openPg, pgHidePassword},
      {{"pg:"}, {}, false, openPg, pgHidePassword},
      {{}, {".dbf"}, false, openDbf, nullptr},
      {{}, {}, false, openSqlite, nullptr},
  };
  return forms;
}

namespace {

// The form a source is in, and the source as its back end takes it.
const SourceForm& formOf(const std::string& source, std::string& rest) {
  std::string ext = std::filesystem::path(source).extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  const std::vector<SourceForm>& forms = sourceForms();
  for (const SourceForm& f : forms) {
    for (const std::string& p : f.prefixes)
      if (source.rfind(p, 0) == 0) {
        rest = f.keepPrefix ? source : source.substr(p.size());
        return f;
      }
    for (const std::string& e : f.extensions)
      if (ext == e) {
        rest = source;
        return f;
      }
  }
  rest = source;
  return forms.back();
}

}  // namespace

std::unique_ptr<Backend> openSource(const std::string& source, bool readOnly) {
  std::string rest;
  const SourceForm& form = formOf(source, rest);
  return form.open(rest, readOnly);
}

std::string sourceForDisplay(const std::string& source) {
  std::string rest;
  const SourceForm& form = formOf(source, rest);
  if (form.hidePassword == nullptr) return source;
  return source.substr(0, source.size() - rest.size()) + form.hidePassword(rest);
}

}  // namespace ts::db
