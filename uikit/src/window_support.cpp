#include "ts/ui/window_support.hpp"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QPainter>
#include <QWidget>
#include <thread>

namespace ts::ui {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics fm(font);
  baseX_ =
      (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
  baseY_ = fm.height();
}

void DialogUnits::place(QWidget* w, int x, int y, int cx, int cy) const {
  const QPoint at = toPixels(x, y), extent = toPixels(cx, cy);
  w->setGeometry(at.x(), at.y(), extent.x(), extent.y());
}

void paintBanner(QPainter& p, const QWidget& window, const QString& caption, QPoint captionAt,
                 const QIcon& icon) {
  if (window.isMinimized()) {
    icon.paint(&p, window.rect());
    return;
  }
  QFont title("Verdana");
  title.setPixelSize(25);
  title.setWeight(QFont::ExtraBold);
  p.setFont(title);
  const int ascent = QFontMetrics(title).ascent();
  p.setPen(window.palette().color(QPalette::Light));
  p.drawText(9, 8 + ascent, "TESSARO GROUP");
  p.setPen(window.palette().color(QPalette::Dark));
  p.drawText(8, 7 + ascent, "TESSARO GROUP");
  QFont bold = window.font();
  bold.setWeight(QFont::Bold);
  p.setFont(bold);
  const int boldAscent = QFontMetrics(bold).ascent();
  p.setPen(Qt::black);
  p.drawText(captionAt.x(), captionAt.y() + boldAscent, caption);
  p.setPen(Qt::white);
  p.drawText(captionAt.x() - 1, captionAt.y() - 2 + boldAscent, caption);
}

void runOffTheUiThread(const std::function<void()>& work) {
  QEventLoop loop;
  std::thread worker([&] {
    work();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  QCoreApplication::processEvents();  // what the work posted last
}

}  // namespace ts::ui
