#include "ts/platform/process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

extern char** environ;

namespace ts::platform {
namespace {

std::vector<pid_t> g_started;  // detached starts not yet collected

void collectEnded() {
  for (auto it = g_started.begin(); it != g_started.end();) {
    int status;
    const pid_t r = waitpid(*it, &status, WNOHANG);
    if (r == *it || (r < 0 && errno == ECHILD))
      it = g_started.erase(it);
    else
      ++it;
  }
}

// The program `name` names: a path as it is, a bare name found on PATH; empty when none.
std::string programPath(const std::string& name) {
  if (name.empty()) return {};
  return name.find('/') != std::string::npos ? name : findOnPath(name);
}

// An argument vector for posix_spawn, over its own copies of the strings.
struct SpawnArgs {
  explicit SpawnArgs(const std::vector<std::string>& args) : strings(args) {
    for (auto& a : strings) argv.push_back(a.data());
    argv.push_back(nullptr);
  }
  std::vector<std::string> strings;
  std::vector<char*> argv;
};

long nowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

bool startCommandLine(const std::string& commandLine) {
  collectEnded();
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  SpawnArgs argv({"sh", "-c", commandLine});
  pid_t pid;
  const int rc = posix_spawn(&pid, "/bin/sh", nullptr, &attr, argv.argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;
  g_started.push_back(pid);
  return true;
}

StartedProgram startProgram(const std::vector<std::string>& args,
                            const std::vector<std::string>* environment) {
  collectEnded();
  StartedProgram started;
  const std::string exe = args.empty() ? std::string() : programPath(args[0]);
  if (exe.empty()) {
    started.error = ENOENT;
    return started;
  }
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  SpawnArgs argv(args);
  std::unique_ptr<SpawnArgs> env;
  if (environment != nullptr) env = std::make_unique<SpawnArgs>(*environment);
  pid_t pid;
  const int rc = posix_spawn(&pid, exe.c_str(), &fa, &attr, argv.argv.data(),
                             env ? env->argv.data() : environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    started.error = rc;
    return started;
  }
  started.pid = pid;
  return started;
}

int programStatus(int pid) {
  int status = 0;
  pid_t r;
  while ((r = waitpid(pid, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  if (r == 0) return -1;
  if (r < 0) return 128;  // not our child any more: report it as ended abnormally
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

void releaseProgram(int pid) {
  if (pid > 0) g_started.push_back(pid);
}

bool processRunning(int pid) {
  if (pid <= 0) return false;
  const int fd = open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[512];
  const ssize_t n = read(fd, buf, sizeof buf - 1);
  close(fd);
  if (n <= 0) return false;
  buf[n] = '\0';
  // "pid (name) S ...": the state follows the last parenthesis (the name may hold one).
  const char* paren = std::strrchr(buf, ')');
  if (paren == nullptr || paren[1] != ' ') return true;
  return paren[2] != 'Z' && paren[2] != 'X';
}

bool endProcess(int pid, int graceMs) {
  if (pid <= 0) return false;
  const auto waitEnd = [pid, graceMs] {
    for (int waited = 0; processRunning(pid); waited += 20) {
      if (waited >= graceMs) return false;
      usleep(20 * 1000);
    }
    return true;
  };
  kill(pid, SIGTERM);
  if (waitEnd()) return true;
  kill(pid, SIGKILL);
  return waitEnd();
}

std::string findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string p = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t at = 0;
  while (at <= p.size()) {
    const std::size_t colon = p.find(':', at);
    const std::string dir =
        p.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
    if (!dir.empty()) {
      const std::string full = dir + "/" + program;
      if (access(full.c_str(), X_OK) == 0) return full;
    }
    if (colon == std::string::npos) break;
    at = colon + 1;
  }
  return {};
}

bool runProgram(const std::vector<std::string>& args, std::string& out, std::string& err,
                int timeoutMs) {
  out.clear();
  err.clear();
  const std::string exe = args.empty() ? std::string() : programPath(args[0]);
  if (exe.empty()) return false;
  int po[2], pe[2];
  if (pipe2(po, O_CLOEXEC) != 0) return false;
  if (pipe2(pe, O_CLOEXEC) != 0) {
    close(po[0]);
    close(po[1]);
    return false;
  }
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&fa, po[1], 1);
  posix_spawn_file_actions_adddup2(&fa, pe[1], 2);
  SpawnArgs argv(args);
  pid_t pid;
  const int rc = posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv.argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  close(po[1]);
  close(pe[1]);
  if (rc != 0) {
    close(po[0]);
    close(pe[0]);
    return false;
  }
  const long deadline = nowMs() + timeoutMs;
  pollfd fds[2] = {{po[0], POLLIN, 0}, {pe[0], POLLIN, 0}};
  int open = 2;
  bool timedOut = false;
  while (open > 0) {
    const long left = deadline - nowMs();
    if (left <= 0) {
      timedOut = true;
      break;
    }
    if (poll(fds, 2, static_cast<int>(left)) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[4096];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? out : err).append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) close(f.fd);
  if (timedOut) kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace ts::platform
