#include "ts/platform/options.hpp"

#include <cstring>

namespace ts::platform {

std::string optionError(char* const argv[], const char* shortOptions, const option* longOptions) {
  const std::string word = optind > 0 ? argv[optind - 1] : "";
  if (word.rfind("--", 0) == 0 && word.size() > 2) {
    const auto eq = word.find('=');
    const std::string name = word.substr(0, eq);
    if (optopt == 0) return "unknown option '" + name + "'";
    // The long option refused (as typed, perhaps shortened): an argument it lacks or one it
    // does not take.  Else the word was read before, and a short option after it failed.
    for (const option* o = longOptions; o != nullptr && o->name != nullptr; ++o)
      if (o->val == optopt && std::strncmp(o->name, name.c_str() + 2, name.size() - 2) == 0)
        return o->has_arg == no_argument ? "option '" + name + "' takes no argument"
                                         : "missing argument of '" + name + "'";
  }
  if (optopt > 0 && optopt < 128 && optopt != ':') {
    const char* at = std::strchr(shortOptions, optopt);
    const std::string flag = std::string("-") + static_cast<char>(optopt);
    if (at != nullptr && at[1] == ':') return "missing argument of '" + flag + "'";
    return "unknown option '" + flag + "'";
  }
  return "unknown option '" + word + "'";
}

}  // namespace ts::platform
