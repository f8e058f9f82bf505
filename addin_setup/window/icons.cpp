#include "icons.hpp"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>

#include "faces.hpp"
#include "ts/platform/messages.hpp"

namespace ts::office::window {

QIcon programIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128}) {
    QImage img = transparentImage(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A document with a puzzle piece's "V".
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 2.5, 19, 26));
    for (int y = 7; y < 20; y += 4) p.drawLine(QPointF(9, y), QPointF(21, y));
    p.setPen(Qt::NoPen);
    p.setBrush(kFaceRed);
    p.drawEllipse(QRectF(13, 13, 17, 17));
    centredText(p, QRectF(13, 13, 17, 17), "V", 12, true, Qt::white);
    p.end();
    icon.addPixmap(QPixmap::fromImage(img));
  }
  return icon;
}

QPixmap logo() {
  // Drawn in the screen's own pixels: sharp at double scale too.
  const qreal scale = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
  QImage img(QSize(187, 48) * scale, QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(scale);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 187, 0);
  g.setColorAt(0, kFaceBlue);
  g.setColorAt(1, QColor(0x72, 0x9f, 0xcf));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0, 0, 187, 48), 6, 6);
  centredText(p, QRectF(0, 2, 187, 30), "TESSARO", 24, true, Qt::white);
  centredText(p, QRectF(0, 30, 187, 16), QString::fromUtf8(platform::tr("Office add-in setup")), 11, false, QColor(0xee, 0xf4, 0xff));
  return QPixmap::fromImage(img);
}

}  // namespace ts::office::window
