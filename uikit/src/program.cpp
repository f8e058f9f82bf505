#include "ts/ui/program.hpp"

#include <QCoreApplication>

#include "ts/platform/registry.hpp"

namespace ts::ui {

QString profilePath() {
  QString name = QCoreApplication::applicationName().toLower();
  if (name.isEmpty() || name.contains('/')) name = "tessaro";
  return QString::fromStdString(platform::configFolder()) + "/" + name + ".ini";
}

}  // namespace ts::ui
