#include "office_lock.hpp"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

namespace ts::web {

namespace {

std::string decoded(const std::string& url) {
  std::string out;
  for (std::size_t i = 0; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size() && std::isxdigit(static_cast<unsigned char>(url[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(url[i + 2]))) {
      out += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += url[i];
    }
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// The profiles of the LibreOffice processes running here: each one's UserInstallation URL,
// "" for one started with the user's own profile.
std::vector<std::string> runningProfiles() {
  std::vector<std::string> profiles;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return profiles;
  while (const dirent* e = readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(e->d_name[0]))) continue;
    std::ifstream in(std::string("/proc/") + e->d_name + "/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    for (std::size_t at = 0; at < all.size();) {
      const std::size_t end = all.find('\0', at);
      args.push_back(all.substr(at, end == std::string::npos ? std::string::npos : end - at));
      at = end == std::string::npos ? all.size() : end + 1;
    }
    if (args.empty()) continue;
    const std::string program = args[0].substr(args[0].rfind('/') + 1);
    if (program.find("soffice") == std::string::npos && program != "oosplash") continue;
    std::string profile;
    for (const std::string& a : args) {
      static const std::string kOption = "-env:UserInstallation=";
      if (a.rfind(kOption, 0) == 0) profile = decoded(a.substr(kOption.size()));
    }
    profiles.push_back(profile);
  }
  closedir(proc);
  return profiles;
}

std::string hostName() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

}  // namespace

OfficeLock officeLockOf(const std::string& document) {
  OfficeLock lock;
  const std::size_t slash = document.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : document.substr(0, slash + 1);
  lock.path = folder + ".~lock." + document.substr(slash + 1) + "#";
  struct stat st;
  if (lstat(lock.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return lock;
  // "Full name,host,login,date,profile URL;"
  std::ifstream in(lock.path, std::ios::binary);
  std::string line;
  std::getline(in, line);
  std::vector<std::string> fields;
  for (std::size_t at = 0;;) {
    const std::size_t comma = line.find(',', at);
    fields.push_back(line.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  fields.resize(5);
  std::string profile = fields[4];
  while (!profile.empty() && (profile.back() == ';' || profile.back() == '\r')) profile.pop_back();
  lock.who = !fields[0].empty() ? fields[0] : fields[2];
  lock.host = fields[1];
  lock.since = fields[3];
  lock.state = OfficeLock::kHeld;
  // Another machine's office cannot be asked; one starting here may not show yet.
  if (lock.host != hostName() || std::time(nullptr) - st.st_mtime < 10) return lock;
  const std::string wanted = decoded(profile);
  for (const std::string& running : runningProfiles()) {
    // An office on the user's own profile: its URL is not on its command line.
    if (running == wanted || (running.empty() && wanted.ends_with("/libreoffice/4")))
      return lock;
  }
  lock.state = OfficeLock::kStale;
  return lock;
}

}  // namespace ts::web
