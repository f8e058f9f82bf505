// Copies of database files beside them: a temporary file in the same folder (so that a
// rename replaces or keeps atomically), and a finished copy kept as FILE.bak, FILE.bak.1, ...
#pragma once

#include <string>

namespace ts::db {

// Makes an empty temporary file beside `path` (".NAME.XXXXXX", with `suffix` after it where
// a library wants its own extension) and returns its path.
std::string temporaryBeside(const std::string& path, const std::string& suffix = {});
// Copies the bytes of `from` into the existing file `to`; false (errno set) on failure.
bool copyBytes(const std::string& from, const std::string& to);
// Renames the finished copy `temp` to PATH.bak, or PATH.bak.1, PATH.bak.2 ... where copies are
// there already, never replacing one; returns the name.  The copy is removed on failure.
std::string keepAsBackup(const std::string& path, const std::string& temp);

}  // namespace ts::db
