// What the kit's windows share: the project's addresses and the program's profile file.
#pragma once

#include <QIcon>
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

// Writes `icon` as FOLDER/<size>/<name>.png in the sizes of the hicolor icon theme (16 to 128
// pixels); false when a file cannot be written.
bool saveIconSizes(const QIcon& icon, const QString& folder, const QString& name);

}  // namespace ts::ui
