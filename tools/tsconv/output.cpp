#include "output.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "ts/platform/files.hpp"
#include "ts/platform/messages.hpp"

namespace tsconv {
namespace {

// The temporary file a signal handler removes (async-signal-safe: a fixed buffer).
char g_pending[4096];
volatile std::sig_atomic_t g_hasPending = 0;

// Creates the temporary file from `pattern` (ending in XXXXXX) in the handler's own buffer,
// which holds its name from before the file exists: a signal at any moment finds it.
int createPending(std::string& pattern) {
  if (pattern.size() >= sizeof g_pending) {
    errno = ENAMETOOLONG;
    return -1;
  }
  g_hasPending = 0;
  std::memcpy(g_pending, pattern.c_str(), pattern.size() + 1);
  g_hasPending = 1;
  const int fd = mkostemp(g_pending, O_CLOEXEC);
  if (fd < 0) {
    g_hasPending = 0;
    return -1;
  }
  pattern = g_pending;
  return fd;
}

void onSignal(int sig) {
  if (g_hasPending) unlink(g_pending);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

}  // namespace

void Output::installSignalHandlers() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ, SIGPIPE, SIGXCPU, SIGALRM}) {
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
}

Output::Output(const char* path) {
  if (path == nullptr) return;
  path_ = path;
  std::error_code ec;
  // A symbolic link is followed: its target is what gets replaced.
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path_, ec);
  target_ = ec ? path_ : resolved.string();
  struct stat st;
  const bool exists = stat(target_.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) {
      error_ = ts::platform::formatted(ts::platform::tr("cannot write %s: %s"), name().c_str(),
                                       std::strerror(EISDIR));
      fd_ = -1;
      return;
    }
    // A device, a FIFO or a socket: written as it is.
    fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) failed(ts::platform::tr("cannot open %s: %s"), errno);
    return;
  }
  if (exists && access(target_.c_str(), W_OK) != 0) {
    failed(ts::platform::tr("will not replace %s: %s"), errno);
    fd_ = -1;
    return;
  }
  tmp_ = target_ + ".tsconv-XXXXXX";
  fd_ = createPending(tmp_);
  if (fd_ < 0) {
    const int e = errno;
    tmp_.clear();
    error_ = ts::platform::formatted(ts::platform::tr("cannot create a file beside %s: %s"),
                                     name().c_str(), std::strerror(e));
    return;
  }
  if (exists) {
    // The owner where permitted (root, or a group the user is in), then the mode, which a
    // change of owner may have cut.
    if (fchown(fd_, st.st_uid, st.st_gid) != 0)
      (void)!fchown(fd_, static_cast<uid_t>(-1), st.st_gid);
    fchmod(fd_, st.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
  }
}

Output::~Output() { abandon(); }

std::string Output::name() const {
  return path_.empty() ? std::string(ts::platform::tr("standard output")) : "'" + path_ + "'";
}

bool Output::failed(const char* format, int err) {
  if (error_.empty())
    error_ = ts::platform::formatted(format, name().c_str(), std::strerror(err));
  return false;
}

bool Output::write(const ts::ByteBuffer& b) {
  if (!ok()) return false;
  if (b.empty()) return true;
  if (!ts::platform::writeAll(fd_, b.data(), b.size()))
    return failed(ts::platform::tr("cannot write %s: %s"), errno);
  return true;
}

bool Output::commit() {
  if (!ok()) return false;
  if (path_.empty()) return true;
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return failed(ts::platform::tr("cannot write %s: %s"), errno);
  if (tmp_.empty()) return true;
  if (rename(tmp_.c_str(), target_.c_str()) != 0) {
    const int e = errno;
    unlink(tmp_.c_str());
    tmp_.clear();
    g_hasPending = 0;
    return failed(ts::platform::tr("cannot replace %s: %s"), e);
  }
  tmp_.clear();
  g_hasPending = 0;
  return true;
}

void Output::abandon() {
  if (path_.empty()) return;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!tmp_.empty()) unlink(tmp_.c_str());
  tmp_.clear();
  g_hasPending = 0;
}

}  // namespace tsconv
