// PostgreSQL databases through libpq: connecting, and connection strings.
#pragma once

#include <memory>
#include <string>

#include "ts/db/backend.hpp"

namespace ts::db {

// Connects with a libpq connection string (a URI or keywords); DbError carries the server's
// or libpq's words in the shape "%s\nState: %s, Native: %d, Source: %s".
std::unique_ptr<Backend> connectPostgres(const std::string& conninfo);

// A keyword connection string of the values given (empty ones left out, each value quoted
// as libpq reads it): "host='db' port='5432' dbname='shop' user='ann' password='...'".
std::string pgConninfo(const std::string& host, const std::string& port,
                       const std::string& database, const std::string& user,
                       const std::string& password);

// A connection string with its password (keyword or in a URI) replaced by "***".
std::string pgHidePassword(const std::string& conninfo);

}  // namespace ts::db
