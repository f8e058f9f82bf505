// The window tests run inside one QApplication (offscreen, or a real X server for the
// screenshots).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // unless told otherwise
  QApplication app(argc, argv);
  QApplication::setApplicationName("tsdata-tests");
  return RUN_ALL_TESTS();
}
