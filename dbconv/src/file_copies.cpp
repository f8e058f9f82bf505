#include "file_copies.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "ts/db/backend.hpp"
#include "ts/platform/files.hpp"
#include "ts/platform/messages.hpp"

namespace ts::db {

using ts::platform::formatted;
using ts::platform::tr;

std::string temporaryBeside(const std::string& path, const std::string& suffix) {
  const std::filesystem::path target(path);
  std::string leaf = ".";
  leaf.append(target.filename().string()).append(".XXXXXX").append(suffix);
  std::string temp = (target.parent_path() / leaf).string();
  const int fd = mkstemps(temp.data(), static_cast<int>(suffix.size()));
  if (fd < 0)
    throw DbError(formatted(tr("cannot make a file beside %s: %s"), path.c_str(), std::strerror(errno)));
  close(fd);
  return temp;
}

ScratchBeside::ScratchBeside(const std::string& path, const std::string& suffix)
    : path_(temporaryBeside(path, suffix)) {
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ >= 0) flock(fd_, LOCK_EX | LOCK_NB);
}

ScratchBeside::~ScratchBeside() {
  if (!path_.empty()) {
    unlink(path_.c_str());
    for (const char* journal : {"-journal", "-wal", "-shm"}) unlink((path_ + journal).c_str());
  }
  if (fd_ >= 0) close(fd_);
}

std::vector<std::string> removeLeftovers(const std::string& path) {
  namespace fs = std::filesystem;
  std::vector<std::string> removed;
  const fs::path target(path);
  std::string prefix(1, '.');
  prefix.append(target.filename().string()).push_back('.');
  std::error_code ec;
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    const std::string leaf = e.path().filename().string();
    if (leaf.rfind(prefix, 0) != 0 || leaf.size() < prefix.size() + 6) continue;
    const std::string rest = leaf.substr(prefix.size() + 6);
    if (rest != "" && rest != ".dbf" && rest != "-journal" && rest != "-wal" && rest != "-shm")
      continue;
    if (!e.is_regular_file(ec)) continue;
    // A journal goes with its copy: it is removed when the copy is not there or not held.
    const std::string copy = leaf.substr(0, prefix.size() + 6) + (rest == ".dbf" ? ".dbf" : "");
    const int fd = ::open((folder / copy).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
      close(fd);
      continue;  // a running process works on it
    }
    if (unlink(e.path().c_str()) == 0) removed.push_back(e.path().string());
    if (fd >= 0) close(fd);
  }
  return removed;
}

std::string linkTarget(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(path, ec)) return path;
  const std::filesystem::path real = std::filesystem::canonical(path, ec);
  return ec ? path : real.string();
}

namespace {

// Copies the bytes of `in` into `out` from where each stands; false (errno set) when a read
// or a write fails.  (readInPieces stops without an error when its callback says so.)
bool copyInto(int in, int out) {
  bool written = true;
  const bool read = platform::readInPieces(in, 1 << 16, [&](std::string_view piece) {
    written = platform::writeAll(out, piece.data(), piece.size());
    return written;
  });
  return read && written;
}

// Copies the file `from` into the file `to`, opened with `flags`; with `inPlace`, `to` is
// cut to the length of `from` only at the end, and synced.  False (errno set) on failure.
bool copyFile(const std::string& from, const std::string& to, int flags, bool inPlace) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  const int out = ::open(to.c_str(), flags | O_CLOEXEC);
  bool ok = out >= 0 && fstat(in, &st) == 0 && copyInto(in, out) &&
            (!inPlace || (ftruncate(out, st.st_size) == 0 && fsync(out) == 0));
  int saved = errno;
  if (out >= 0 && close(out) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  close(in);
  errno = saved;
  return ok;
}

}  // namespace

bool copyBytes(const std::string& from, const std::string& to) {
  return copyFile(from, to, O_WRONLY | O_TRUNC, false);
}

std::string writeBackName(const std::string& path) {
  const std::filesystem::path target(path);
  std::string leaf = ".";
  leaf.append(target.filename().string()).append(".write-back");
  return (target.parent_path() / leaf).string();
}

bool writeInPlace(const std::string& from, const std::string& to) {
  return copyFile(from, to, O_WRONLY, true);
}

bool finishWriteBack(const std::string& path) {
  const std::string pending = writeBackName(path);
  struct stat st {};
  if (lstat(pending.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (!writeInPlace(pending, path))
    throw DbError(formatted(tr("cannot write the converted copy %s into %s: %s (a run stopped while "
                               "writing it; it is kept)"),
                            pending.c_str(), path.c_str(), std::strerror(errno)));
  unlink(pending.c_str());
  return true;
}

std::string keepAsBackup(const std::string& path, const std::string& temp) {
  struct stat source {};
  if (stat(path.c_str(), &source) == 0) chmod(temp.c_str(), source.st_mode & 07777);
  std::string error = "too many copies already";
  for (int n = 0; n < 1000; ++n) {
    std::string name = path;
    name.append(".bak");
    if (n > 0) name.append(".").append(std::to_string(n));
    if (platform::renameNoReplace(temp, name)) return name;
    if (errno != EEXIST) {
      error = name;
      error.append(": ").append(std::strerror(errno));
      break;
    }
  }
  unlink(temp.c_str());
  throw DbError(formatted(tr("cannot copy %s: %s"), path.c_str(), error.c_str()));
}

}  // namespace ts::db
