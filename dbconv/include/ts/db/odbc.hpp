// ODBC data sources through the unixODBC driver manager: connecting, the sources and
// drivers it knows, and connection strings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ts/db/backend.hpp"

namespace ts::db {

// Connects with a connection string ("DSN=...;UID=...;PWD=..." or "DRIVER=...;..."), never
// prompting; DbError carries the driver's diagnostics.  `cursorLibrary` asks the driver
// manager for its cursor library.
std::unique_ptr<Backend> connectOdbc(const std::string& connectionString,
                                     bool cursorLibrary = false);

// "DSN=…;UID=…;PWD=…": every key present, a value with ";", "}" or "{" (or blanks at its
// ends) in braces with "}" doubled, so that no value ends the string early.
std::string odbcConnectString(const std::string& dsn, const std::string& user,
                              const std::string& password);
// The connection string with the values of PWD and PASSWORD replaced by "***".
std::string odbcHidePassword(const std::string& connectionString);
// A value as a connection string carries it (braced where needed).
std::string odbcValue(const std::string& value);

struct OdbcSource {
  std::string name;
  std::string driver;   // a data source's driver
  bool system = false;  // a system data source (else the user's own)
};
// The data sources the driver manager knows (the user's and the system's) and its drivers.
std::vector<OdbcSource> odbcDataSources();
std::vector<std::string> odbcDrivers();
// The keys of a connection string through a driver: DRIVER and what a driver of that kind
// is usually given (a file for SQLite, a server and database for the others).
std::vector<std::string> odbcDriverKeys(const std::string& driver);

}  // namespace ts::db
