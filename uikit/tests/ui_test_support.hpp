// Helpers of the kit's tests: the test palette, grabbing a widget as it paints itself, and a
// shown dialog to put controls in.
#pragma once

#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QImage>
#include <QPalette>
#include <QWidget>
#include <string>

#include "ts/ui/system_colours.hpp"

namespace ts::ui::testing {

QPalette distinctPalette();

// The widget as it paints itself now (its own paint event, children included).
inline QImage grabbed(QWidget* w) {
  QApplication::processEvents();
  return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor at(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

// The colour's name for messages: the system colour it is, or its rgb.
inline std::string colourName(const QColor& c) {
  const struct {
    SysColour s;
    const char* name;
  } names[] = {{SysColour::BtnFace, "BTNFACE"},           {SysColour::BtnShadow, "BTNSHADOW"},
               {SysColour::BtnHighlight, "BTNHIGHLIGHT"}, {SysColour::DkShadow3D, "3DDKSHADOW"},
               {SysColour::Light3D, "3DLIGHT"},           {SysColour::Window, "WINDOW"},
               {SysColour::Highlight, "HIGHLIGHT"},       {SysColour::BtnText, "BTNTEXT"}};
  for (const auto& n : names)
    if (sysColour(n.s).rgb() == c.rgb()) return n.name;
  return c.name().toStdString();
}

// Shows `dialog` on the offscreen screen and lets it paint.
inline void showAndWait(QWidget* dialog) {
  dialog->move(20, 20);
  dialog->show();
  dialog->activateWindow();
  QApplication::processEvents();
  // No control starts with the focus: each test gives it where it wants it.
  if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

}  // namespace ts::ui::testing

// EXPECT that pixel (x, y) of `img` is system colour `c`.
#define EXPECT_PIXEL(img, x, y, c)                                                      \
  EXPECT_EQ(::ts::ui::testing::colourName((img).pixelColor((x), (y))),                  \
            ::ts::ui::testing::colourName(::ts::ui::sysColour(::ts::ui::SysColour::c))) \
      << "at (" << (x) << ", " << (y) << ")"
