// A stand-in for the keyboard program in tests: records how it was started and, while its
// window (socket) is open, every line posted to it.
//   fake_keyboard LOG [ARG...]
// Appends "start ARG..." to LOG; if no other copy holds the window, listens on the socket
// of the window class and appends each line it receives, until it receives "QUIT" or ten
// seconds pass without a message.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void record(const char* log, const std::string& line) {
  if (FILE* f = std::fopen(log, "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string start = "start";
  for (int i = 2; i < argc; ++i) start += std::string(" ") + argv[i];
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr) return 2;
  const std::string path = std::string(runtime) + "/TessaroKeyboard";
  const int srv = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  if (bind(srv, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(srv, 8) != 0) {
    record(argv[1], start + " (window already open)");
    return 0;
  }
  record(argv[1], start);
  for (;;) {
    pollfd p{srv, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) break;
    const int c = accept(srv, nullptr, nullptr);
    if (c < 0) continue;
    std::string got;
    char buf[256];
    ssize_t n;
    while ((n = read(c, buf, sizeof buf)) > 0) got.append(buf, static_cast<std::size_t>(n));
    close(c);
    if (!got.empty() && got.back() == '\n') got.pop_back();
    if (got == "QUIT") break;
    if (!got.empty()) record(argv[1], got);
  }
  unlink(path.c_str());
  return 0;
}
