// Files written safely: whole, through a temporary file renamed into place.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace ts::platform {

// Creates the folder and its parents (mode 0700 for new ones); false on failure.
bool makeFolders(const std::string& folder);

// Writes `contents` to `path`: into a temporary file in the same folder, flushed, then
// renamed onto `path`.  A new file gets `mode`; an existing one keeps its own.  On failure
// the file is as it was and no temporary file is left.
bool writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode);

}  // namespace ts::platform
