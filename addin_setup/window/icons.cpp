#include "icons.hpp"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace ts::office::window {
namespace {

const QColor kBlue(0x1f, 0x4e, 0x9a);
const QColor kRed(0xc0, 0x20, 0x20);

void text(QPainter& p, const QRectF& r, const QString& s, int pixelSize, bool bold,
          const QColor& colour) {
  QFont f("DejaVu Sans");
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  p.setFont(f);
  p.setPen(colour);
  p.drawText(r, Qt::AlignCenter, s);
}

QImage blank(int size) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

}  // namespace

QImage face(int faceId, int size) {
  QImage img = blank(size);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  switch (faceId) {
    case 2566:  // spelling: "abc" over a tick
      text(p, QRectF(0, -1, 16, 9), "abc", 7, true, kBlue);
      p.setPen(QPen(QColor(0x20, 0x90, 0x30), 2));
      p.drawPolyline(QPolygonF({{3, 11}, {6, 14}, {13, 7}}));
      break;
    case 252:  // case: "Aa"
      text(p, QRectF(0, 0, 16, 16), "Aa", 10, true, kBlue);
      break;
    case 13: {  // convert: two arrows
      p.setPen(QPen(kBlue, 1.6));
      p.drawLine(QPointF(2, 5), QPointF(13, 5));
      p.drawPolyline(QPolygonF({{10, 2}, {13, 5}, {10, 8}}));
      p.setPen(QPen(kRed, 1.6));
      p.drawLine(QPointF(14, 11), QPointF(3, 11));
      p.drawPolyline(QPolygonF({{6, 8}, {3, 11}, {6, 14}}));
      break;
    }
    case 2892:  // panel: a window with a "T"
      p.setPen(QPen(kBlue, 1));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      p.fillRect(QRectF(2, 2, 12, 3), kBlue);
      text(p, QRectF(1, 4, 14, 11), "T", 9, true, kRed);
      break;
    case 1589:  // help: "?"
      p.setPen(Qt::NoPen);
      p.setBrush(kBlue);
      p.drawEllipse(QRectF(1, 1, 14, 14));
      text(p, QRectF(1, 1, 14, 14), "?", 11, true, Qt::white);
      break;
    case 3021:  // the web: a globe
    default:
      p.setPen(QPen(kBlue, 1.2));
      p.setBrush(QColor(0xdd, 0xe8, 0xf8));
      p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
      p.drawEllipse(QRectF(5, 1.5, 6, 13));
      p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
      break;
  }
  return img;
}

QIcon programIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128}) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A document with a puzzle piece's "V".
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 2.5, 19, 26));
    for (int y = 7; y < 20; y += 4) p.drawLine(QPointF(9, y), QPointF(21, y));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QRectF(13, 13, 17, 17));
    text(p, QRectF(13, 13, 17, 17), "V", 12, true, Qt::white);
    p.end();
    icon.addPixmap(QPixmap::fromImage(img));
  }
  return icon;
}

QPixmap logo() {
  QImage img(187, 48, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 187, 0);
  g.setColorAt(0, kBlue);
  g.setColorAt(1, QColor(0x72, 0x9f, 0xcf));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0, 0, 187, 48), 6, 6);
  text(p, QRectF(0, 2, 187, 30), "TESSARO", 24, true, Qt::white);
  text(p, QRectF(0, 30, 187, 16), "Office add-in setup", 11, false, QColor(0xee, 0xf4, 0xff));
  return QPixmap::fromImage(img);
}

}  // namespace ts::office::window
