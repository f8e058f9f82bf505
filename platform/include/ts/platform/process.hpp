// Running other programs.
#pragma once

#include <string>
#include <vector>

namespace ts::platform {

// Starts /bin/sh -c `commandLine` in a session of its own and does not wait for it; false
// when it cannot be started.  Children that have ended are collected at the next call.
bool startCommandLine(const std::string& commandLine);

// Runs a program with arguments and waits for it, at most `timeoutMs`; its standard output
// and standard error are returned.  False when it cannot run, is killed for taking too long
// or exits with a status other than 0.
bool runProgram(const std::vector<std::string>& argv, std::string& out, std::string& err,
                int timeoutMs = 10000);

// A program started in a session of its own with its standard streams on /dev/null, watched
// without waiting: `error` is the errno of a failed start (ENOENT when it is not found), else
// 0 with `pid` set.
struct StartedProgram {
  int pid = -1;
  int error = 0;
};
// `environment` ("NAME=VALUE" each), when given, is the program's whole environment.
StartedProgram startProgram(const std::vector<std::string>& argv,
                            const std::vector<std::string>* environment = nullptr);
// Whether a program of startProgram has ended: its exit status (128 + the signal when killed
// by one) once it has, -1 while it runs.  An ended program is collected by this call.
int programStatus(int pid);
// Stops watching a program that still runs; it is collected after it ends.
void releaseProgram(int pid);

// Whether a process runs (any process of the user's, not only one started here); one that has
// ended but is not yet collected by its parent counts as ended.
bool processRunning(int pid);
// Ends a process: SIGTERM, and SIGKILL when it still runs `graceMs` later.  True when it has
// ended (within another `graceMs`).
bool endProcess(int pid, int graceMs);

// The full path of a program found on PATH, or empty.
std::string findOnPath(const std::string& program);

}  // namespace ts::platform
