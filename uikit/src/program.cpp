#include "ts/ui/program.hpp"

#include <QCoreApplication>

#include "ts/platform/registry.hpp"
#include "ts/ui/system_colours.hpp"

namespace ts::ui {

QColor linkHoverColour(Program p) {
  return p == Program::Web ? QColor(255, 0, 0) : sysColour(SysColour::Highlight);
}

QString profilePath() {
  QString name = QCoreApplication::applicationName().toLower();
  if (name.isEmpty() || name.contains('/')) name = "tessaro";
  return QString::fromStdString(platform::configFolder()) + "/" + name + ".ini";
}

}  // namespace ts::ui
