#include "ts/ui/system_colours.hpp"

#include <QApplication>
#include <QPainter>
#include <QPalette>

namespace ts::ui {

QColor sysColour(SysColour c) {
  const QPalette pal = QApplication::palette();
  const auto g = QPalette::Active;
  switch (c) {
    case SysColour::BtnFace: return pal.color(g, QPalette::Button);
    case SysColour::BtnShadow: return pal.color(g, QPalette::Dark);
    case SysColour::BtnText: return pal.color(g, QPalette::ButtonText);
    case SysColour::BtnHighlight: return pal.color(g, QPalette::Light);
    case SysColour::DkShadow3D: return pal.color(g, QPalette::Shadow);
    case SysColour::Light3D: return pal.color(g, QPalette::Midlight);
    case SysColour::Window: return pal.color(g, QPalette::Base);
    case SysColour::Highlight: return pal.color(g, QPalette::Highlight);
  }
  return {};
}

void drawRing(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  const int x = r.x(), y = r.y(), w = r.width(), h = r.height();
  p.fillRect(x, y, w - 1, 1, topLeft);          // top, without the right corner
  p.fillRect(x, y, 1, h - 1, topLeft);          // left, without the bottom corner
  p.fillRect(x + w - 1, y, 1, h, bottomRight);  // right
  p.fillRect(x, y + h - 1, w, 1, bottomRight);  // bottom
}

void drawFrame(QPainter& p, const QRect& r, std::initializer_list<Ring> rings) {
  QRect at = r;
  for (const Ring& ring : rings) {
    drawRing(p, at, sysColour(ring.topLeft), sysColour(ring.bottomRight));
    at.adjust(1, 1, -1, -1);
  }
}

}  // namespace ts::ui
