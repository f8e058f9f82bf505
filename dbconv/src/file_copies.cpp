#include "file_copies.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "ts/db/backend.hpp"
#include "ts/platform/files.hpp"

namespace ts::db {

std::string temporaryBeside(const std::string& path, const std::string& suffix) {
  const std::filesystem::path target(path);
  std::string leaf = ".";
  leaf.append(target.filename().string()).append(".XXXXXX").append(suffix);
  std::string temp = (target.parent_path() / leaf).string();
  const int fd = mkstemps(temp.data(), static_cast<int>(suffix.size()));
  if (fd < 0) throw DbError("cannot make a file beside " + path + ": " + std::strerror(errno));
  close(fd);
  return temp;
}

bool copyBytes(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  bool ok = out >= 0 && platform::readInPieces(in, 1 << 16, [&](std::string_view piece) {
              return platform::writeAll(out, piece.data(), piece.size());
            });
  const int saved = errno;
  if (out >= 0 && close(out) != 0) ok = false;
  close(in);
  errno = saved;
  return ok;
}

std::string keepAsBackup(const std::string& path, const std::string& temp) {
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
  throw DbError("cannot copy " + path + ": " + error);
}

}  // namespace ts::db
