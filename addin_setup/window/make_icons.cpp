// Writes the installer's icon in the hicolor sizes:  make_setup_icons HICOLOR_FOLDER
#include <QApplication>
#include <cstdio>

#include "icons.hpp"
#include "ts/ui/program.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_setup_icons HICOLOR_FOLDER\n");
    return 2;
  }
  return ts::ui::saveIconSizes(ts::office::window::programIcon(), argv[1], "tso-setup") ? 0 : 1;
}
