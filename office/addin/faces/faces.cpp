#include "faces.hpp"

#include <QFont>
#include <QPainterPath>

namespace ts::office {

void centredText(QPainter& p, const QRectF& r, const QString& s, int pixelSize, bool bold,
                 const QColor& colour) {
  QFont f("DejaVu Sans");
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  p.setFont(f);
  p.setPen(colour);
  p.drawText(r, Qt::AlignCenter, s);
}

QImage transparentImage(int size) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

QImage face(int faceId, int size) {
  QImage img = transparentImage(size);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  switch (faceId) {
    case 2566:  // spelling: "abc" over a tick
      centredText(p, QRectF(0, -1, 16, 9), "abc", 7, true, kFaceBlue);
      p.setPen(QPen(QColor(0x20, 0x90, 0x30), 2));
      p.drawPolyline(QPolygonF({{3, 11}, {6, 14}, {13, 7}}));
      break;
    case 252:  // case: "Aa"
      centredText(p, QRectF(0, 0, 16, 16), "Aa", 10, true, kFaceBlue);
      break;
    case 13: {  // convert: two arrows
      p.setPen(QPen(kFaceBlue, 1.6));
      p.drawLine(QPointF(2, 5), QPointF(13, 5));
      p.drawPolyline(QPolygonF({{10, 2}, {13, 5}, {10, 8}}));
      p.setPen(QPen(kFaceRed, 1.6));
      p.drawLine(QPointF(14, 11), QPointF(3, 11));
      p.drawPolyline(QPolygonF({{6, 8}, {3, 11}, {6, 14}}));
      break;
    }
    case 2892:  // panel: a window with a "T"
      p.setPen(QPen(kFaceBlue, 1));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      p.fillRect(QRectF(2, 2, 12, 3), kFaceBlue);
      centredText(p, QRectF(1, 4, 14, 11), "T", 9, true, kFaceRed);
      break;
    case 1589:  // help: "?"
      p.setPen(Qt::NoPen);
      p.setBrush(kFaceBlue);
      p.drawEllipse(QRectF(1, 1, 14, 14));
      centredText(p, QRectF(1, 1, 14, 14), "?", 11, true, Qt::white);
      break;
    case 3021:  // the web: a globe
    default:
      p.setPen(QPen(kFaceBlue, 1.2));
      p.setBrush(QColor(0xdd, 0xe8, 0xf8));
      p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
      p.drawEllipse(QRectF(5, 1.5, 6, 13));
      p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
      break;
  }
  return img;
}

}  // namespace ts::office
