// A PostgreSQL server of the tests' own: a scratch cluster made with initdb in a temporary
// folder and started with pg_ctl on a free port of 127.0.0.1 (as the postgres user when the
// tests run as root), stopped and removed at the end.  Missing server programs are a failure.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "ts/testing/process.hpp"

namespace ts::testing {

class ScratchPostgres {
 public:
  // `encoding`: the template databases' encoding (SQL_ASCII keeps every byte as it is).
  explicit ScratchPostgres(const std::string& encoding = "SQL_ASCII") {
    bin_ = serverPrograms();
    char templ[] = "/tmp/ts-pg.XXXXXX";
    if (mkdtemp(templ) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = templ;
    if (geteuid() == 0) {
      const passwd* pw = getpwnam("postgres");
      if (pw == nullptr) throw std::runtime_error("the postgres user does not exist");
      if (chown(folder_.c_str(), pw->pw_uid, pw->pw_gid) != 0)
        throw std::runtime_error("cannot give " + folder_.string() + " to postgres");
      asUser_ = {"/usr/sbin/runuser", "-u", "postgres", "--"};
    }
    run(bin_ / "initdb", {"-D", (folder_ / "data").string(), "-A", "trust", "-U", "postgres",
                          "-E", encoding, "--locale=C", "--no-sync"},
        "initdb");
    for (int attempt = 0;; ++attempt) {
      port_ = freePort();
      const std::string options = "-p " + std::to_string(port_) + " -k " + folder_.string() +
                                  " -c listen_addresses=127.0.0.1 -c fsync=off"
                                  " -c synchronous_commit=off -c full_page_writes=off";
      const ProgramResult r = exec(bin_ / "pg_ctl", {"-D", (folder_ / "data").string(), "-w",
                                                     "-l", (folder_ / "log").string(), "-o",
                                                     options, "start"});
      if (r.status == 0) break;
      if (attempt == 3) throw std::runtime_error("pg_ctl start failed:\n" + r.out + r.err + log());
    }
    started_ = true;
  }
  ~ScratchPostgres() {
    // A server process that crashed is told, with the end of the server's log.
    const std::string serverLog = log();
    const std::size_t crash = serverLog.find("terminated by signal");
    if (crash != std::string::npos)
      std::fprintf(stderr, "PostgreSQL server log:\n%s\n",
                   serverLog.substr(crash > 4000 ? crash - 4000 : 0).c_str());
    if (started_)
      exec(bin_ / "pg_ctl", {"-D", (folder_ / "data").string(), "-m", "immediate", "stop"});
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  ScratchPostgres(const ScratchPostgres&) = delete;
  ScratchPostgres& operator=(const ScratchPostgres&) = delete;

  int port() const { return port_; }
  static std::string host() { return "127.0.0.1"; }
  const fs::path& folder() const { return folder_; }

  void createDatabase(const std::string& name, const std::string& encoding) {
    psql("postgres", "CREATE DATABASE \"" + name + "\" ENCODING '" + encoding +
                         "' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0");
  }
  // Runs SQL in a database, sent in the database's own encoding (UTF-8 text to a UTF8
  // database, bytes as they are to SQL_ASCII); the rows come back unaligned, "|" between
  // values.  A failure throws with psql's message.
  std::string psql(const std::string& database, const std::string& sql) const {
    const ProgramResult r =
        runProgram(psqlPath(), {"-X", "-q", "-h", host(), "-p", std::to_string(port_), "-U",
                                "postgres", "-d", database, "-v", "ON_ERROR_STOP=1", "-At", "-c",
                                "DO $$BEGIN EXECUTE format('SET client_encoding TO %L', "
                                "getdatabaseencoding()); END$$",
                                "-c", sql},
                   folder_);
    if (r.status != 0) throw std::runtime_error("psql failed: " + r.err + "\n" + sql.substr(0, 300));
    return r.out;
  }

 private:
  static fs::path serverPrograms() {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/usr/lib/postgresql", ec))
      if (fs::exists(e.path() / "bin" / "initdb")) found.push_back(e.path() / "bin");
    if (found.empty())
      throw std::runtime_error(
          "no PostgreSQL server programs in /usr/lib/postgresql/*/bin (package postgresql-15)");
    std::sort(found.begin(), found.end());
    return found.back();
  }
  fs::path psqlPath() const { return bin_ / "psql"; }
  // Runs a server program in the cluster's folder, as postgres when we are root.
  ProgramResult exec(const fs::path& program, std::vector<std::string> args) const {
    if (asUser_.empty()) return runProgram(program.string(), std::move(args), folder_, folder_);
    std::vector<std::string> all(asUser_.begin() + 1, asUser_.end());
    all.push_back(program.string());
    all.insert(all.end(), args.begin(), args.end());
    return runProgram(asUser_.front(), std::move(all), folder_, folder_);
  }
  void run(const fs::path& program, std::vector<std::string> args, const char* what) const {
    const ProgramResult r = exec(program, std::move(args));
    if (r.status != 0) throw std::runtime_error(std::string(what) + " failed:\n" + r.out + r.err);
  }
  std::string log() const { return readFile(folder_ / "log"); }

  fs::path bin_, folder_;
  std::vector<std::string> asUser_;
  int port_ = 0;
  bool started_ = false;
};

}  // namespace ts::testing
