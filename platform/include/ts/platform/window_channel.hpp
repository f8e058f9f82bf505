// Finding another program's window by its class name and posting it a command.
//
// The program listens on a Unix-domain socket named after its window class in
// $XDG_RUNTIME_DIR (/tmp/<class>-<uid> without it).  A window "exists" when the socket
// accepts a connection; posting a command sends one line "WM_COMMAND <id>".
#pragma once

#include <string>

namespace ts::platform {

std::string windowSocketPath(const std::string& windowClass);
bool windowExists(const std::string& windowClass);
bool postCommand(const std::string& windowClass, int commandId);

}  // namespace ts::platform
