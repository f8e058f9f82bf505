#include "ts/platform/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ts::platform {

bool makeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  struct stat st;
  if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const std::size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !makeFolders(folder.substr(0, slash)))
    return false;
  return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode) {
  const std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash))) return false;
  std::string tmp = path + ".XXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) return false;
  struct stat st;
  fchmod(fd, stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : mode);
  bool ok = writeAll(fd, contents.data(), contents.size());
  ok = ok && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  ok = ok && rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) unlink(tmp.c_str());
  return ok;
}

bool renameNoReplace(const std::string& from, const std::string& to) {
#ifdef __EMSCRIPTEN__
  // The browser's file system in memory: one thread, no other writer, no links.
  struct stat st;
  if (lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
#else
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // No RENAME_NOREPLACE here: a link fails when `to` exists, then the old name goes.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  if (unlink(from.c_str()) != 0) {
    const int e = errno;
    unlink(to.c_str());
    errno = e;
    return false;
  }
  return true;
#endif
}

bool writeAll(int fd, const void* data, std::size_t n) {
  const auto* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = EIO;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

bool readInPieces(int fd, std::size_t pieceSize,
                  const std::function<bool(std::string_view piece)>& piece) {
  std::vector<char> buffer(pieceSize == 0 ? 1 : pieceSize);
  for (;;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!piece(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) return true;
  }
}

}  // namespace ts::platform
