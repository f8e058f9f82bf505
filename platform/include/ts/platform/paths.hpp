// The folders the programs use, after the XDG base-directory rules.
#pragma once

#include <string>
#include <vector>

namespace ts::platform {

// The user's home: $HOME, else the password database's entry.
std::string homeFolder();

// Settings: $XDG_CONFIG_HOME/tessaro, default ~/.config/tessaro.
std::string configFolder();

// Temporary files: $TMPDIR, default /tmp.
std::string temporaryFolder();

// Sockets and other run-time files: $XDG_RUNTIME_DIR, or "" when it is not set.
std::string runtimeFolder();

// Where installed data is looked for, most important first: $XDG_DATA_HOME (default
// ~/.local/share), then each folder of $XDG_DATA_DIRS (default /usr/local/share and
// /usr/share).  Only absolute paths count.
std::vector<std::string> dataFolders();

}  // namespace ts::platform
