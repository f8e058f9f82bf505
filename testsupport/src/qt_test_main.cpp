// The main of the programs' window tests: one QApplication, offscreen unless a platform is
// named (a real X server for screenshots).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // unless told otherwise
  QApplication app(argc, argv);
  QApplication::setApplicationName("tessaro-tests");
  return RUN_ALL_TESTS();
}
