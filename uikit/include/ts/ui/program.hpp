// What the kit's windows share: the project's addresses and the program's profile file.
#pragma once

#include <QString>

namespace ts::ui {

// The project's own addresses, shown by the message box's links.  They stand in for the
// original maker's, which the kit does not carry: placeholders under a reserved domain until
// the project publishes its own site.
inline constexpr const char* kWebAddress = "https://tessaro.example/";
inline constexpr const char* kEmailAddress = "support@tessaro.example";

// The program's profile, $XDG_CONFIG_HOME/tessaro/<name>.ini, with `name` the application's
// name (lower case) or "tessaro" when it has none.
QString profilePath();

}  // namespace ts::ui
