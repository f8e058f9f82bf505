// What differs between the two dialog programs that use the kit, and where their files are.
#pragma once

#include <QColor>
#include <QString>

namespace ts::ui {

enum class Program {
  Web,   // TSweb
  Data,  // TSdata
};

// The project's own addresses, shown by the message box's links.  They stand in for the
// original maker's, which the kit does not carry: placeholders under a reserved domain until
// the project publishes its own site.
inline constexpr const char* kWebAddress = "https://tessaro.example/";
inline constexpr const char* kEmailAddress = "support@tessaro.example";

// The hover colour of a hyperlink: red in TSweb, the highlight colour of the moment in TSdata.
QColor linkHoverColour(Program p);

// The program's profile, $XDG_CONFIG_HOME/tessaro/<name>.ini, with `name` the application's
// name (lower case) or "tessaro" when it has none.
QString profilePath();

}  // namespace ts::ui
