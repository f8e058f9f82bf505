// Running one of our programs from a test: its output and error output caught in files of a
// scratch folder, its exit status (128 + N when signal N ended it).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "ts/testing/scratch.hpp"

extern char** environ;

namespace ts::testing {

struct ProgramResult {
  int status = -1;
  std::string out, err;
};

class Program {
 public:
  // Starts `path` with `args` in the folder `cwd` (empty: this process's); its output goes to
  // files in `folder`.
  Program(const std::string& path, std::vector<std::string> args, const fs::path& folder,
          const fs::path& cwd = {})
      : out_(folder / (".program-out-" + serial())), err_(folder / (".program-err-" + serial())) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    args.insert(args.begin(), path);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, path.c_str(), &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program() { wait(); }

  pid_t pid() const { return pid_; }
  void signal(int sig) {
    if (pid_ > 0) ::kill(pid_, sig);
  }
  ProgramResult wait() {
    if (pid_ > 0) {
      int st = 0;
      waitpid(pid_, &st, 0);
      result_.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
      result_.out = readFile(out_);
      result_.err = readFile(err_);
      fs::remove(out_);
      fs::remove(err_);
      pid_ = -1;
    }
    return result_;
  }

 private:
  // A name of its own for each program's output files: programs run side by side in one
  // folder must not write over each other's.
  static std::string serial() {
    static std::atomic<unsigned> next{0};
    return std::to_string(getpid()) + "-" + std::to_string(next++);
  }
  fs::path out_, err_;
  pid_t pid_ = -1;
  ProgramResult result_;
};

inline ProgramResult runProgram(const std::string& path, std::vector<std::string> args,
                                const fs::path& folder, const fs::path& cwd = {}) {
  return Program(path, std::move(args), folder, cwd).wait();
}

// A TCP port of 127.0.0.1 free now, for a server of the tests' own.
inline int freePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  close(s);
  return ntohs(a.sin_port);
}

}  // namespace ts::testing
