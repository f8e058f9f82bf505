// Writes the add-in's toolbar faces:  make_addin_faces FOLDER
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "faces.hpp"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_addin_faces FOLDER\n");
    return 2;
  }
  QDir().mkpath(argv[1]);
  for (const int id : ts::office::kFaceIds) {
    const QString path = QString("%1/face-%2.png").arg(argv[1]).arg(id);
    if (!ts::office::face(id, 16).save(path)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
