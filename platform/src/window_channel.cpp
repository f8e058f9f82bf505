#include "ts/platform/window_channel.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ts/platform/paths.hpp"

namespace ts::platform {
namespace {

// A connected socket to the window's program, or -1.
int connectTo(const std::string& windowClass) {
  const std::string path = windowSocketPath(windowClass);
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) return -1;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string windowSocketPath(const std::string& windowClass) {
  const std::string runtime = runtimeFolder();
  if (!runtime.empty()) return runtime + "/" + windowClass;
  return "/tmp/" + windowClass + "-" + std::to_string(getuid());
}

bool windowExists(const std::string& windowClass) {
  const int fd = connectTo(windowClass);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool postCommand(const std::string& windowClass, int commandId) {
  const int fd = connectTo(windowClass);
  if (fd < 0) return false;
  const std::string line = "WM_COMMAND " + std::to_string(commandId) + "\n";
  std::size_t sent = 0;
  while (sent < line.size()) {
    const ssize_t n = send(fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  close(fd);
  return sent == line.size();
}

}  // namespace ts::platform
