// The tests of the kit run inside one QApplication on the offscreen platform, with the Fusion
// style and a palette whose roles all differ, so that pixel tests can tell every system
// colour from the others.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <cstdlib>

#include "ui_test_support.hpp"

namespace ts::ui::testing {

QPalette distinctPalette() {
  QPalette p;
  for (auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(g, QPalette::Button, QColor(200, 200, 200));
    p.setColor(g, QPalette::Window, QColor(200, 200, 200));
    p.setColor(g, QPalette::Light, QColor(255, 255, 255));
    p.setColor(g, QPalette::Midlight, QColor(228, 228, 228));
    p.setColor(g, QPalette::Dark, QColor(128, 128, 128));
    p.setColor(g, QPalette::Mid, QColor(160, 160, 160));
    p.setColor(g, QPalette::Shadow, QColor(0, 0, 0));
    p.setColor(g, QPalette::Base, QColor(250, 250, 235));
    p.setColor(g, QPalette::Highlight, QColor(0, 0, 200));
    p.setColor(g, QPalette::ButtonText, QColor(10, 10, 10));
    p.setColor(g, QPalette::WindowText, QColor(10, 10, 10));
    p.setColor(g, QPalette::Text, QColor(10, 10, 10));
  }
  return p;
}

}  // namespace ts::ui::testing

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication::setStyle("Fusion");
  QApplication app(argc, argv);
  app.setApplicationName("uikit-tests");
  QApplication::setPalette(ts::ui::testing::distinctPalette());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
