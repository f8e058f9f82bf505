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

// The full path of a program found on PATH, or empty.
std::string findOnPath(const std::string& program);

}  // namespace ts::platform
