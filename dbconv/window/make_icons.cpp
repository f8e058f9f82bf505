// Writes the program's icon in the hicolor theme's sizes: make_icons FOLDER writes
// FOLDER/<size>/tsdata.png.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "icons.hpp"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons FOLDER\n");
    return 2;
  }
  for (const int size : {16, 32, 48, 64, 128}) {
    const QString folder = QString("%1/%2").arg(argv[1]).arg(size);
    if (!QDir().mkpath(folder) ||
        !ts::db::window::programIcon().pixmap(size, size).save(folder + "/tsdata.png")) {
      std::fprintf(stderr, "make_icons: cannot write %s/tsdata.png\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
