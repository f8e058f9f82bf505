#include "ts/ui/window_support.hpp"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QTranslator>
#include <QWidget>
#include <thread>

#include "ts/platform/messages.hpp"

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

AnchorLayout::AnchorLayout(QWidget* window, QSize design) : QLayout(window), design_(design) {
  setContentsMargins(0, 0, 0, 0);
  setSizeConstraint(QLayout::SetMinimumSize);
}

AnchorLayout::~AnchorLayout() {
  for (Item& i : items_) delete i.item;
}

void AnchorLayout::place(QWidget* w, QRect rect, Share share) {
  for (Item& i : items_)
    if (i.item->widget() == w) {
      i.rect = rect;
      i.share = share;
      w->setGeometry(rect);
      invalidate();
      return;
    }
  addChildWidget(w);
  items_.push_back({new QWidgetItem(w), rect, share});
  w->setGeometry(rect);
  invalidate();
}

void AnchorLayout::place(QWidget* w, const DialogUnits& units, int x, int y, int cx, int cy,
                         Share share) {
  if (w->parentWidget() != parentWidget()) {
    units.place(w, x, y, cx, cy);
    return;
  }
  const QPoint at = units.toPixels(x, y), extent = units.toPixels(cx, cy);
  place(w, QRect(at, QSize(extent.x(), extent.y())), share);
}

void AnchorLayout::setShare(QWidget* w, Share share) {
  for (Item& i : items_)
    if (i.item->widget() == w) i.share = share;
  invalidate();
}

void AnchorLayout::addItem(QLayoutItem* item) {
  items_.push_back({item, item->geometry(), Share{0, 0, 0, 0}});
}

QLayoutItem* AnchorLayout::itemAt(int index) const {
  return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)].item : nullptr;
}

QLayoutItem* AnchorLayout::takeAt(int index) {
  if (index < 0 || index >= count()) return nullptr;
  QLayoutItem* item = items_[static_cast<std::size_t>(index)].item;
  items_.erase(items_.begin() + index);
  return item;
}

void AnchorLayout::setGeometry(const QRect& r) {
  QLayout::setGeometry(r);
  const int dx = std::max(0, r.width() - design_.width());
  const int dy = std::max(0, r.height() - design_.height());
  for (const Item& i : items_) {
    const Share& s = i.share;
    const QRect g(r.x() + i.rect.x() + static_cast<int>(s.x * dx),
                  r.y() + i.rect.y() + static_cast<int>(s.y * dy),
                  i.rect.width() + static_cast<int>(s.w * dx),
                  i.rect.height() + static_cast<int>(s.h * dy));
    // Hidden controls (the panels shown one at a time) move too: shown later, they are in
    // place.
    if (QWidget* w = i.item->widget())
      w->setGeometry(g);
    else
      i.item->setGeometry(g);
  }
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
  // The shadow first, the caption over it: the white never covers the black strokes.  The
  // interface font has no bold face: bold is drawn, each stroke twice a pixel apart.
  const bool drawnBold = !QFontInfo(bold).bold();
  auto text = [&](int x, int y) {
    p.drawText(x, y, caption);
    if (drawnBold) p.drawText(x + 1, y, caption);
  };
  p.setPen(Qt::white);
  text(captionAt.x() - 1, captionAt.y() - 2 + boldAscent);
  p.setPen(Qt::black);
  text(captionAt.x(), captionAt.y() + boldAscent);
}

namespace {

QTranslator& translator() {
  static QTranslator t;
  return t;
}

}  // namespace

bool installTranslation(const QLocale& locale) {
  removeTranslation();
  // Vietnamese windows keep their own texts and take Qt's buttons in Vietnamese; every other
  // language (C too) is English.
  const bool vietnamese = locale.language() == QLocale::Vietnamese;
  QLocale::setDefault(vietnamese ? QLocale(QLocale::Vietnamese, QLocale::Vietnam) : locale);
  // One language: the messages the programs look up (gettext) follow the windows' where they
  // differ.
  if (vietnamese != platform::vietnameseMessages()) platform::setMessageLanguage(vietnamese ? "vi" : "en");
  const QString name = vietnamese ? "tessaro_vi" : "tessaro_en";
  QStringList folders{QCoreApplication::applicationDirPath() + "/../share/tessaro/translations"};
#ifdef TS_BUILD_TRANSLATIONS
  folders << QString::fromUtf8(TS_BUILD_TRANSLATIONS);
#endif
  for (const QString& folder : folders)
    if (translator().load(name, folder)) return QCoreApplication::installTranslator(&translator());
  return false;
}

bool installTranslation() {
  // English windows keep the system's forms of dates and numbers, unless they are Vietnamese.
  const QLocale system = QLocale::system();
  if (platform::vietnameseMessages()) return installTranslation(QLocale(QLocale::Vietnamese));
  return installTranslation(system.language() == QLocale::Vietnamese
                                ? QLocale(QLocale::English, QLocale::UnitedStates)
                                : system);
}

void removeTranslation() {
  QCoreApplication::removeTranslator(&translator());
  (void)translator().load(QString());  // empty again
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
