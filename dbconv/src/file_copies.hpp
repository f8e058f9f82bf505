// Copies of database files beside them: a temporary file in the same folder (so that a
// rename replaces or keeps atomically), and a finished copy kept as FILE.bak, FILE.bak.1, ...
#pragma once

#include <string>
#include <vector>

namespace ts::db {

// Makes an empty temporary file beside `path` (".NAME.XXXXXX", with `suffix` after it where
// a library wants its own extension) and returns its path.
std::string temporaryBeside(const std::string& path, const std::string& suffix = {});
// A temporary file beside a database file while this process works on it: locked (flock)
// so that another run clearing leftovers leaves it alone, removed when dropped unless it was
// put in place.
class ScratchBeside {
 public:
  explicit ScratchBeside(const std::string& path, const std::string& suffix = {});
  ~ScratchBeside();
  ScratchBeside(const ScratchBeside&) = delete;
  ScratchBeside& operator=(const ScratchBeside&) = delete;
  const std::string& path() const { return path_; }
  // It took its place (renamed): nothing is removed.
  void placed() { path_.clear(); }

 private:
  std::string path_;
  int fd_ = -1;
};

// Removes what runs that were killed left beside `path`: its temporary files (and SQLite's
// journals of them) that no running process holds.  Returns their names.
std::vector<std::string> removeLeftovers(const std::string& path);

// The file a path names, through symbolic links; `path` itself when it is no link.
std::string linkTarget(const std::string& path);

// Copies the bytes of `from` into the existing file `to`; false (errno set) on failure, a
// write that fails (a full disk) included.
bool copyBytes(const std::string& from, const std::string& to);

// A finished copy that must be written into `path` itself (a file with other hard links keeps
// its inode): kept beside it under this name until that is done, so that a run killed while
// writing leaves the whole copy, and the next run writes it (see finishWriteBack).
std::string writeBackName(const std::string& path);
// Writes the file `from` over `to` in place: never shorter than it was while writing (no
// truncation first), cut to the length of `from` at the end, then synced.  False (errno set)
// on failure.
bool writeInPlace(const std::string& from, const std::string& to);
// Writes a copy a killed run left waiting (writeBackName) into `path` and removes it; true
// when there was one.  Throws DbError when it cannot.
bool finishWriteBack(const std::string& path);
// Renames the finished copy `temp` to PATH.bak, or PATH.bak.1, PATH.bak.2 ... where copies are
// there already, never replacing one; returns the name.  The copy takes the mode of `path`.
// It is removed on failure.
std::string keepAsBackup(const std::string& path, const std::string& temp);

}  // namespace ts::db
