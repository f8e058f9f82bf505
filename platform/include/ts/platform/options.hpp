// Command lines read with getopt_long.
#pragma once

#include <getopt.h>

#include <string>

namespace ts::platform {

// Why getopt_long (with opterr = 0) refused the word it just read, in the words the user
// typed: "unknown option '-x'", "unknown option '--bogus'", "missing argument of '-f'",
// "missing argument of '--from'" or "option '--help' takes no argument".  Reads optind and
// optopt; `shortOptions` and `longOptions` are what getopt_long was given.
std::string optionError(char* const argv[], const char* shortOptions, const option* longOptions);

}  // namespace ts::platform
