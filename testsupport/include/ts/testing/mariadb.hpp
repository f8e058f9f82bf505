// A MariaDB server of the tests' own: a data folder made by mariadb-install-db in a temporary
// folder, mariadbd listening on its own socket and on a free port of 127.0.0.1 (as this
// user; as root it is told so), stopped and removed at the end.  Missing programs are a
// failure.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ts/testing/process.hpp"

namespace ts::testing {

class ScratchMariadb {
 public:
  ScratchMariadb() {
    char templ[] = "/tmp/ts-mariadb-XXXXXX";
    if (mkdtemp(templ) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = templ;
    const std::string user = geteuid() == 0 ? "--user=root" : "--user=" + std::to_string(geteuid());
    const ProgramResult init = runProgram(
        "/usr/bin/mariadb-install-db",
        {"--no-defaults", "--datadir=" + (folder_ / "data").string(), "--auth-root-authentication-method=normal",
         "--skip-test-db", user},
        folder_, folder_);
    if (init.status != 0)
      throw std::runtime_error("mariadb-install-db failed (package mariadb-server):\n" + init.out +
                               init.err);
    port_ = freePort();
    server_ = std::make_unique<Program>(
        "/usr/sbin/mariadbd",
        std::vector<std::string>{"--no-defaults", "--datadir=" + (folder_ / "data").string(),
                                 "--socket=" + socket(), "--port=" + std::to_string(port_),
                                 "--bind-address=127.0.0.1", "--pid-file=" + (folder_ / "pid").string(),
                                 "--log-error=" + (folder_ / "log").string(), user,
                                 "--innodb-buffer-pool-size=64M", "--skip-name-resolve"},
        folder_);
    for (int i = 0; i < 600; ++i) {
      if (sql("", "SELECT 1", false).status == 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("mariadbd did not start:\n" + readFile(folder_ / "log"));
  }
  ~ScratchMariadb() {
    if (server_) {
      server_->signal(SIGTERM);
      server_->wait();
    }
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  ScratchMariadb(const ScratchMariadb&) = delete;
  ScratchMariadb& operator=(const ScratchMariadb&) = delete;

  int port() const { return port_; }
  std::string socket() const { return (folder_ / "sock").string(); }
  const fs::path& folder() const { return folder_; }
  // A source for tsdata reaching `database` as root through the socket.
  std::string source(const std::string& database) const {
    return "mysql://root@localhost/" + database + "?socket=" + socket();
  }

  // Runs SQL (bytes as they are: the connection's charset is binary) in a database; the rows
  // come back tab-separated.  A failure throws with the client's message.
  std::string sql(const std::string& database, const std::string& statements) const {
    const ProgramResult r = sql(database, statements, true);
    if (r.status != 0)
      throw std::runtime_error("mariadb failed: " + r.err + "\n" + statements.substr(0, 300));
    return r.out;
  }

 private:
  ProgramResult sql(const std::string& database, const std::string& statements, bool) const {
    std::vector<std::string> args{"--no-defaults", "--socket=" + socket(), "-uroot",
                                  "--default-character-set=binary", "-N", "-B", "-r", "-e",
                                  statements};
    if (!database.empty()) args.push_back(database);
    return runProgram("/usr/bin/mariadb", args, folder_);
  }

  fs::path folder_;
  int port_ = 0;
  std::unique_ptr<Program> server_;
};

}  // namespace ts::testing
