// Writes the installer's icon in the hicolor sizes and the add-in's toolbar faces:
//   make_addin_icons HICOLOR_FOLDER FACES_FOLDER
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "icons.hpp"
#include "ts/ui/program.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_addin_icons HICOLOR_FOLDER FACES_FOLDER\n");
    return 2;
  }
  if (!ts::ui::saveIconSizes(ts::office::window::programIcon(), argv[1], "tso-setup")) return 1;
  QDir().mkpath(argv[2]);
  for (const int id : ts::office::window::kFaceIds) {
    const QString path = QString("%1/face-%2.png").arg(argv[2]).arg(id);
    if (!ts::office::window::face(id, 16).save(path)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
