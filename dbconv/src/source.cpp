#include <filesystem>

#include "dbf_backend.hpp"
#include "maria_backend.hpp"
#include "odbc_backend.hpp"
#include "pg_backend.hpp"
#include "sqlite_backend.hpp"
#include "ts/db/backend.hpp"
#include "ts/db/postgres.hpp"

namespace ts::db {

namespace {

std::unique_ptr<Backend> openOdbc(const std::string& s, bool) { return OdbcBackend::connect(s); }
std::unique_ptr<Backend> openPg(const std::string& s, bool) { return PgBackend::connect(s); }
std::unique_ptr<Backend> openMaria(const std::string& s, bool) { return MariaBackend::connect(s); }
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
      {{"mysql://", "mariadb://"}, {}, true, openMaria, mariaHidePassword},
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

namespace {

// A password in a source of no form that knows its own: "scheme://user:PASSWORD@", and
// "password=", "pwd=" (any case) up to the next ";", "&" or blank.
std::string hideAnyPassword(std::string s) {
  const std::size_t scheme = s.find("://");
  if (scheme != std::string::npos) {
    const std::size_t start = scheme + 3;
    const std::size_t at = s.find('@', start);
    const std::size_t slash = s.find('/', start);
    const std::size_t colon = s.find(':', start);
    if (at != std::string::npos && (slash == std::string::npos || at < slash) &&
        colon != std::string::npos && colon < at)
      s.replace(colon + 1, at - colon - 1, "***");
  }
  std::string lower = s;
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (const char* key : {"password=", "pwd="}) {
    for (std::size_t at = lower.find(key); at != std::string::npos; at = lower.find(key, at + 1)) {
      const std::size_t value = at + std::string_view(key).size();
      std::size_t end = value;
      while (end < s.size() && s[end] != ';' && s[end] != '&' && s[end] != ' ') ++end;
      s.replace(value, end - value, "***");
      lower.replace(value, end - value, "***");
    }
  }
  return s;
}

}  // namespace

std::string sourceForDisplay(const std::string& source) {
  std::string rest;
  const SourceForm& form = formOf(source, rest);
  if (form.hidePassword == nullptr) return hideAnyPassword(source);
  return source.substr(0, source.size() - rest.size()) + form.hidePassword(rest);
}

}  // namespace ts::db
