#include "ts/ui/program.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>

#include "ts/platform/registry.hpp"

namespace ts::ui {

QString profilePath() {
  QString name = QCoreApplication::applicationName().toLower();
  if (name.isEmpty() || name.contains('/')) name = "tessaro";
  return QString::fromStdString(platform::configFolder()) + "/" + name + ".ini";
}

bool saveIconSizes(const QIcon& icon, const QString& folder, const QString& name) {
  for (const int size : {16, 32, 48, 64, 128}) {
    const QString dir = QString("%1/%2").arg(folder).arg(size);
    if (!QDir().mkpath(dir) || !icon.pixmap(size, size).save(dir + "/" + name + ".png"))
      return false;
  }
  return true;
}

}  // namespace ts::ui
