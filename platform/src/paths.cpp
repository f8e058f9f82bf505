#include "ts/platform/paths.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace ts::platform {
namespace {

// An environment variable that holds an absolute path, or "".
std::string absoluteFromEnv(const char* name) {
  const char* v = std::getenv(name);
  return (v != nullptr && *v == '/') ? std::string(v) : std::string();
}

}  // namespace

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  if (const passwd* pw = getpwuid(getuid())) return pw->pw_dir;
  return {};
}

std::string configFolder() {
  const std::string xdg = absoluteFromEnv("XDG_CONFIG_HOME");
  return (xdg.empty() ? homeFolder() + "/.config" : xdg) + "/tessaro";
}

std::string temporaryFolder() {
  const std::string tmp = absoluteFromEnv("TMPDIR");
  return tmp.empty() ? "/tmp" : tmp;
}

std::string runtimeFolder() { return absoluteFromEnv("XDG_RUNTIME_DIR"); }

std::vector<std::string> dataFolders() {
  std::vector<std::string> folders;
  const std::string home = absoluteFromEnv("XDG_DATA_HOME");
  folders.push_back(home.empty() ? homeFolder() + "/.local/share" : home);
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = (dirs != nullptr && *dirs != '\0') ? dirs : "/usr/local/share:/usr/share";
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = list.find(':', start);
    const std::string one = list.substr(start, colon - start);
    if (!one.empty() && one.front() == '/') folders.push_back(one);
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return folders;
}

}  // namespace ts::platform
