#include "ts/platform/registry.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "ts/platform/files.hpp"

namespace ts::platform {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool isSection(std::string_view line) {
  line = trim(line);
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

}  // namespace

bool Registry::isOurSection(std::string_view line) const {
  line = trim(line);
  return isSection(line) && line.substr(1, line.size() - 2) == section_;
}

Registry::Registry(std::string path, std::string section)
    : path_(path.empty() ? configFolder() + "/registry.ini" : std::move(path)),
      section_(std::move(section)) {
  std::ifstream in(path_);
  for (std::string line; std::getline(in, line);) {
    if (isOurSection(line)) sectionFound_ = true;
    lines_.push_back(line);
  }
}

std::optional<std::string> Registry::get(std::string_view name) const {
  bool inside = false;
  for (const std::string& line : lines_) {
    if (isSection(line)) {
      inside = isOurSection(line);
      continue;
    }
    if (!inside) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (trim(std::string_view(line).substr(0, eq)) == name)
      return std::string(trim(std::string_view(line).substr(eq + 1)));
  }
  return std::nullopt;
}

bool Registry::set(std::string_view name, std::string_view value) {
  if (value.find_first_of("\r\n") != std::string_view::npos ||
      name.find_first_of("\r\n=[") != std::string_view::npos)
    return false;
  const std::string entry = std::string(name) + "=" + std::string(value);
  bool inside = false;
  std::size_t sectionEnd = lines_.size();
  bool found = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (isSection(lines_[i])) {
      if (inside) {
        sectionEnd = i;
        break;
      }
      inside = isOurSection(lines_[i]);
      found = found || inside;
      continue;
    }
    if (!inside) continue;
    const std::size_t eq = lines_[i].find('=');
    if (eq != std::string::npos && trim(std::string_view(lines_[i]).substr(0, eq)) == name) {
      lines_[i] = entry;
      return true;
    }
  }
  if (!found) {
    lines_.push_back("[" + section_ + "]");
    sectionEnd = lines_.size();
    sectionFound_ = true;
  }
  // After the last value of the section (before trailing blank lines).
  while (sectionEnd > 0 && trim(lines_[sectionEnd - 1]).empty() &&
         !isSection(lines_[sectionEnd - 1]))
    --sectionEnd;
  lines_.insert(lines_.begin() + static_cast<long>(sectionEnd), entry);
  return true;
}

bool Registry::save() {
  std::string text;
  for (const std::string& line : lines_) text += line + "\n";
  return writeFileAtomically(path_, text, 0600);
}

}  // namespace ts::platform
