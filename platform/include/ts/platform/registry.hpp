// The user's settings store: name=value pairs of one section of an INI file, in place of the
// registry key HKEY_CURRENT_USER\Software\Tessaro.
//
// The file is $XDG_CONFIG_HOME/tessaro/registry.ini (~/.config/... when the variable is not
// set), UTF-8, section [Software\Tessaro].  It is written whole to a temporary file that is
// then renamed into place, so a reader never sees half a file; other sections and lines are
// kept as they are.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ts/platform/paths.hpp"

namespace ts::platform {

class Registry {
 public:
  static constexpr const char* kSection = "Software\\Tessaro";

  // Opens the store at `path` (the default file when empty), reading and writing `section`.
  // A missing file is an empty store that does not exist yet.  A program's profile
  // ($XDG_CONFIG_HOME/tessaro/<program>.ini) is the same kind of file with its own sections.
  explicit Registry(std::string path = {}, std::string section = kSection);

  const std::string& path() const { return path_; }
  // Whether the file exists and holds the section (the key exists).
  bool keyExists() const { return sectionFound_; }
  std::optional<std::string> get(std::string_view name) const;
  // Values hold no line breaks: false when `value` does.
  bool set(std::string_view name, std::string_view value);
  // Writes the file (creating its folder); false, with the file as it was, on failure.
  bool save();

 private:
  bool isOurSection(std::string_view line) const;

  std::string path_;
  std::string section_;
  std::vector<std::string> lines_;
  bool sectionFound_ = false;
};

}  // namespace ts::platform
