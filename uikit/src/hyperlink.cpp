#include "ts/ui/hyperlink.hpp"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

#include "ts/ui/system_colours.hpp"

namespace ts::ui {
namespace {

HyperLink::FailureReporter& reporter() {
  static HyperLink::FailureReporter r = [](QWidget* link, const QString& message) {
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), message,
                    QMessageBox::Ok, link != nullptr ? link->window() : nullptr);
    box.exec();
  };
  return r;
}

}  // namespace

HyperLink::HyperLink(QWidget* parent, std::optional<QColor> hover) : QLabel(parent), hover_(hover) {
  setMouseTracking(true);
}

HyperLink::HyperLink(const QString& text, const QString& target, QWidget* parent,
                     std::optional<QColor> hover)
    : HyperLink(parent, hover) {
  setText(text);
  target_ = target;
}

void HyperLink::setFailureReporter(FailureReporter r) { reporter() = std::move(r); }

void HyperLink::setTarget(const QString& target) {
  target_ = target;
  setToolTip(target_);
  if (attached_) fit();
}

void HyperLink::setColours(const QColor& link, const QColor& visited, std::optional<QColor> hover) {
  link_ = link;
  visitedColour_ = visited;
  hover_ = hover;
  update();
}

void HyperLink::setVisited(bool on) {
  visited_ = on;
  update();
}

void HyperLink::setLinkCursor(const QCursor& c) {
  setCursor(c);
  cursorSet_ = true;
}

void HyperLink::setUnderline(bool on) {
  underline_ = on;
  QFont f = font();
  f.setUnderline(on);
  setFont(f);
  if (attached_) fit();
}

void HyperLink::setAutoSize(bool on) {
  autoSize_ = on;
  if (attached_) fit();
}

void HyperLink::attach() {
  if (attached_) return;
  attached_ = true;
  if (target_.isEmpty()) target_ = text();
  if (text().isEmpty()) setText(target_);
  QFont f = font();
  f.setUnderline(underline_);
  setFont(f);
  fit();
  if (!cursorSet_) setLinkCursor(Qt::PointingHandCursor);
  setToolTip(target_);
}

void HyperLink::fit() {
  if (!autoSize_) return;
  const QSize need = fontMetrics().size(Qt::TextSingleLine, text()) +
                     QSize(contentsMargins().left() + contentsMargins().right(),
                           contentsMargins().top() + contentsMargins().bottom());
  const QRect old = geometry();
  QRect r(old.topLeft(), need);
  const Qt::Alignment a = alignment();
  if (a & Qt::AlignVCenter) r.moveTop(old.top() + (old.height() - need.height()) / 2);
  if (a & Qt::AlignHCenter)
    r.moveLeft(old.left() + (old.width() - need.width()) / 2);
  else if (a & Qt::AlignRight)
    r.moveRight(old.right());
  setMinimumSize(need);
  setGeometry(r);
}

QColor HyperLink::textColour() const {
  if (hovering_) return hover_.value_or(sysColour(SysColour::Highlight));
  return visited_ ? visitedColour_ : link_;
}

void HyperLink::paintEvent(QPaintEvent*) {
  QPainter p(this);  // transparent: no background is painted
  p.setFont(font());
  p.setPen(textColour());
  p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, text());
}

void HyperLink::enterEvent(QEnterEvent* e) {
  QLabel::enterEvent(e);
  if (!hovering_) {
    hovering_ = true;
    repaint();
  }
}

void HyperLink::leaveEvent(QEvent* e) {
  QLabel::leaveEvent(e);
  if (hovering_) {
    hovering_ = false;
    repaint();
  }
}

void HyperLink::showEvent(QShowEvent* e) {
  QLabel::showEvent(e);
  attach();
}

void HyperLink::mouseReleaseEvent(QMouseEvent* e) {
  QLabel::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) openTarget();
}

void HyperLink::openTarget() {
  if (!attached_) attach();
  QPointer<HyperLink> self(this);
  opener_.open(target_, [self](int failure) {
    if (!self) return;
    if (failure == 0) {
      self->setVisited(true);
    } else {
      self->setVisited(false);
      reporter()(self, "Unable to open hyperlink:\n\n" + linkErrorText(failure));
    }
    if (self) emit self->openFinished(failure);
  });
}

}  // namespace ts::ui
