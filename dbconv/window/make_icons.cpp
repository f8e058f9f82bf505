// Writes the program's icon in the hicolor theme's sizes: make_icons FOLDER writes
// FOLDER/<size>/tsdata.png.
#include <QGuiApplication>
#include <cstdio>

#include "icons.hpp"
#include "ts/ui/program.hpp"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons FOLDER\n");
    return 2;
  }
  return ts::ui::saveIconSizes(ts::db::window::programIcon(), argv[1], "tsdata") ? 0 : 1;
}
