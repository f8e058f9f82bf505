#include "icons.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ts::db::window {

namespace {

QPixmap canvas(int size = 16) {
  QPixmap p(size, size);
  p.fill(Qt::transparent);
  return p;
}

void cylinder(QPainter& p, const QRectF& r, const QColor& body) {
  const qreal cap = r.height() / 5;
  QPainterPath path;
  path.moveTo(r.left(), r.top() + cap / 2);
  path.lineTo(r.left(), r.bottom() - cap / 2);
  path.arcTo(QRectF(r.left(), r.bottom() - cap, r.width(), cap), 180, 180);
  path.lineTo(r.right(), r.top() + cap / 2);
  p.setPen(QPen(body.darker(160), 1));
  p.setBrush(body);
  p.drawPath(path);
  p.setBrush(body.lighter(130));
  p.drawEllipse(QRectF(r.left(), r.top(), r.width(), cap));
}

void folder(QPainter& p, const QColor& c) {
  p.setPen(QPen(c.darker(150), 1));
  p.setBrush(c.darker(110));
  p.drawRect(QRectF(1.5, 3.5, 6, 2));
  p.setBrush(c);
  p.drawRect(QRectF(1.5, 5.5, 13, 8));
}

void grid(QPainter& p, const QRectF& r, const QColor& head) {
  p.setPen(QPen(QColor(70, 90, 120), 1));
  p.setBrush(Qt::white);
  p.drawRect(r);
  p.fillRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 0.5, 3), head);
  for (qreal y = r.top() + 3.5; y < r.bottom(); y += 3)
    p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
  p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
}

// An icon drawn in 16 units at 16 and at 32 pixels: sharp at double scale too.
QIcon draw(const std::function<void(QPainter&)>& paint) {
  QIcon icon;
  for (const int size : {16, 32}) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    paint(p);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

void letter(QPainter& p, const QString& text, const QColor& c, const QRectF& r, int px = 9) {
  QFont f("DejaVu Sans");
  f.setPixelSize(px);
  f.setBold(true);
  p.setFont(f);
  p.setPen(c);
  p.drawText(r, Qt::AlignCenter, text);
}

}  // namespace

QIcon kindIcon(ItemKind kind) {
  const QColor folderColour(240, 200, 90);
  switch (kind) {
    case ItemKind::kDatabase:
      return draw([](QPainter& p) { cylinder(p, QRectF(2.5, 1.5, 11, 13), QColor(90, 140, 210)); });
    case ItemKind::kTable:
      return draw([](QPainter& p) { grid(p, QRectF(1.5, 2.5, 13, 11), QColor(90, 140, 210)); });
    case ItemKind::kColumn:
      return draw([](QPainter& p) {
        p.setPen(QPen(QColor(70, 90, 120), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 1.5, 5, 13));
        p.fillRect(QRectF(6, 2, 4, 3), QColor(230, 140, 40));
      });
    case ItemKind::kIndex:
      return draw([](QPainter& p) {  // a key
        p.setPen(QPen(QColor(150, 110, 20), 1.6));
        p.setBrush(QColor(240, 200, 60));
        p.drawEllipse(QRectF(1.5, 4.5, 6, 6));
        p.drawLine(QPointF(7.5, 7.5), QPointF(14.5, 7.5));
        p.drawLine(QPointF(12.5, 7.5), QPointF(12.5, 10.5));
      });
    case ItemKind::kRelation:
      return draw([](QPainter& p) {  // two linked tables
        grid(p, QRectF(0.5, 1.5, 7, 6), QColor(90, 140, 210));
        grid(p, QRectF(8.5, 8.5, 7, 6), QColor(90, 170, 110));
        p.setPen(QPen(QColor(200, 60, 60), 1.4));
        p.drawLine(QPointF(4, 8), QPointF(4, 11.5));
        p.drawLine(QPointF(4, 11.5), QPointF(8.5, 11.5));
      });
    case ItemKind::kQuery:
      return draw([](QPainter& p) {
        grid(p, QRectF(1.5, 2.5, 11, 11), QColor(90, 170, 110));
        p.setPen(QPen(QColor(60, 60, 60), 1.5));
        p.setBrush(QColor(255, 255, 255, 160));
        p.drawEllipse(QRectF(7.5, 7.5, 5, 5));
        p.drawLine(QPointF(12, 12), QPointF(15, 15));
      });
    case ItemKind::kTables:
    case ItemKind::kFields:
    case ItemKind::kIndexes:
    case ItemKind::kRelations:
    case ItemKind::kQueries: return draw([folderColour](QPainter& p) { folder(p, folderColour); });
  }
  return {};
}

QIcon buttonIcon(ButtonIcon which) {
  switch (which) {
    case ButtonIcon::kConvert:
      return draw([](QPainter& p) {
        letter(p, "A", QColor(30, 60, 160), QRectF(0, 0, 8, 10));
        letter(p, QString::fromUtf8("Ă"), QColor(180, 30, 30), QRectF(8, 6, 8, 10));
        p.setPen(QPen(QColor(60, 60, 60), 1.2));
        p.drawLine(QPointF(6, 12), QPointF(10, 4));
      });
    case ButtonIcon::kGuess:
      return draw(
          [](QPainter& p) { letter(p, "?", QColor(30, 100, 30), QRectF(0, 0, 16, 16), 13); });
    case ButtonIcon::kSevenBit:
      return draw(
          [](QPainter& p) { letter(p, "7", QColor(90, 90, 90), QRectF(0, 0, 16, 16), 12); });
    case ButtonIcon::kUpper:
      return draw([](QPainter& p) { letter(p, "AB", QColor(30, 60, 160), QRectF(0, 0, 16, 16)); });
    case ButtonIcon::kLower:
      return draw([](QPainter& p) { letter(p, "ab", QColor(30, 60, 160), QRectF(0, 0, 16, 16)); });
    case ButtonIcon::kExit:
      return draw([](QPainter& p) {
        p.setPen(QPen(QColor(190, 40, 40), 2.2));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
      });
    case ButtonIcon::kData:
      return draw([](QPainter& p) { grid(p, QRectF(1.5, 2.5, 13, 11), QColor(90, 170, 110)); });
    case ButtonIcon::kStructure:
      return draw([](QPainter& p) { grid(p, QRectF(1.5, 2.5, 13, 11), QColor(230, 140, 40)); });
    case ButtonIcon::kAbout:
      return draw([](QPainter& p) {
        p.setPen(QPen(QColor(30, 60, 160), 1));
        p.setBrush(QColor(220, 230, 250));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        letter(p, "i", QColor(30, 60, 160), QRectF(0, 0, 16, 16), 10);
      });
    case ButtonIcon::kBrowse: return draw([](QPainter& p) { folder(p, QColor(240, 200, 90)); });
    case ButtonIcon::kOdbc:
      return draw([](QPainter& p) {
        cylinder(p, QRectF(1.5, 3.5, 8, 10), QColor(150, 150, 170));
        p.setPen(QPen(QColor(60, 60, 60), 1.3));
        p.drawLine(QPointF(10, 8.5), QPointF(15, 8.5));
      });
  }
  return {};
}

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128}) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    cylinder(p, QRectF(1.5, 1, 13, 14), QColor(40, 110, 190));
    letter(p, "V", Qt::white, QRectF(1.5, 3.5, 13, 11), 9);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace ts::db::window
