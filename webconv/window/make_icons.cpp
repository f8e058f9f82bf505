// Writes the program's icon in the hicolor theme's sizes: make_icons FOLDER writes
// FOLDER/<size>/tsweb.png.
#include <QApplication>
#include <cstdio>

#include "ts/ui/program.hpp"
#include "web_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons FOLDER\n");
    return 2;
  }
  return ts::ui::saveIconSizes(ts::web::window::programIcon(), argv[1], "tsweb") ? 0 : 1;
}
