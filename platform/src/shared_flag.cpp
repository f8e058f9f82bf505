#include "ts/platform/shared_flag.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

namespace ts::platform {
namespace {

struct Mapping {
  dev_t dev;
  ino_t ino;
  void* address;
};
std::map<std::string, Mapping>& mappings() {
  static std::map<std::string, Mapping> m;
  return m;
}

}  // namespace

void* mapSharedBlock(const std::string& name, std::size_t size) {
  const std::string path = temporaryFolder() + "/" + name;
  // No following of symbolic links and no files of others: the folder may be shared.
  int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid())) {
    close(fd);
    return nullptr;
  }
  if (fd >= 0 && static_cast<std::size_t>(st.st_size) < size) {
    if (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
      close(fd);
      return nullptr;
    }
  }
  if (fd < 0) {
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);  // made meanwhile
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_uid != geteuid() ||
        (static_cast<std::size_t>(st.st_size) < size &&
         ftruncate(fd, static_cast<off_t>(size)) != 0)) {
      if (fd >= 0) close(fd);
      return nullptr;
    }
  }
  fstat(fd, &st);
  auto& known = mappings();
  auto it = known.find(path);
  if (it != known.end() && it->second.dev == st.st_dev && it->second.ino == st.st_ino) {
    close(fd);
    return it->second.address;
  }
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (p == MAP_FAILED) return nullptr;
  known[path] = {st.st_dev, st.st_ino, p};
  return p;
}

}  // namespace ts::platform
