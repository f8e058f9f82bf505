// Command lines read with getopt_long, the options the programs share spelt alike in each.
#pragma once

#include <getopt.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ts::platform {

// Why getopt_long (with opterr = 0) refused the word it just read, in the words the user
// typed and the user's language: "unknown option '-x'", "unknown option '--bogus'", "missing
// argument of '-f'", "missing argument of '--from'" or "option '--help' takes no argument".
// Reads optind and optopt; `shortOptions` and `longOptions` are what getopt_long was given.
std::string optionError(char* const argv[], const char* shortOptions, const option* longOptions);

// The options the programs share: -f/--from CHARSET, -t/--to CHARSET, -h/--help and
// -V/--version, as given (a charset each program resolves in its own catalogue).
struct SharedOptions {
  const char* from = nullptr;
  const char* to = nullptr;
  bool help = false, version = false;
};

// A program's command line: the shared options it takes (`shared`: some of "ftV"; -h and
// --help always) and its own.
class CommandLine {
 public:
  CommandLine(std::string_view shared, const char* ownShort, std::initializer_list<option> ownLong);

  // Reads the options (getopt_long, from the start): the shared ones into `seen` (one named
  // twice with two values is refused), each of the program's own through `own(code,
  // optarg)`; a refused word goes to `refuse`, with the reason in the user's words.  Help
  // and version end the reading where they come.  Returns the index of the first operand.
  int read(int argc, char** argv, SharedOptions& seen,
           const std::function<void(int code, const char* argument)>& own,
           const std::function<void(const std::string& why)>& refuse) const;

 private:
  std::string short_;
  std::vector<option> long_;
};

}  // namespace ts::platform
