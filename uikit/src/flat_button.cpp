#include "ts/ui/flat_button.hpp"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

#include "ts/ui/system_colours.hpp"

namespace ts::ui {
namespace {

using S = SysColour;

}  // namespace

FlatButton::FlatButton(QWidget* parent) : QPushButton(parent) { init(); }
FlatButton::FlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) { init(); }

void FlatButton::init() {
  setProperty("tsOwnerDrawn", true);  // the skin manager leaves owner-drawn buttons alone
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover, false);
}

QColor FlatButton::hotColour(const QColor& base) {
  // 20 more in each channel; a channel near white stops at 255 instead of carrying into the
  // next one.
  return QColor(std::min(base.red() + 20, 255), std::min(base.green() + 20, 255),
                std::min(base.blue() + 20, 255));
}

void FlatButton::setIcons(const QIcon& hot, const QIcon& normal) {
  hotIcon_ = hot;
  normalIcon_ = normal;
  update();
}
void FlatButton::setTooltipText(const QString& text, bool activate) {
  setToolTip(activate ? text : QString());
}
void FlatButton::setDefaultFrame(bool on) { defaultFrame_ = on, update(); }
void FlatButton::setFlat(bool on) { flat_ = on, update(); }
void FlatButton::setBorderOnHover(bool on) { borderOnHover_ = on, update(); }
void FlatButton::setShowText(bool on) { showText_ = on, update(); }
void FlatButton::setFocusRectWhenFlat(bool on) { focusRectWhenFlat_ = on, update(); }
void FlatButton::setIconPlacement(IconPlacement p) { placement_ = p, update(); }
void FlatButton::setTransparent(bool on) {
  transparent_ = on;
  parentBackground_ = QPixmap();
  update();
}
void FlatButton::setCheckMode(bool on) { setCheckable(on), update(); }
void FlatButton::setBackgrounds(std::optional<QColor> normal, std::optional<QColor> hot) {
  normalBack_ = normal, hotBack_ = hot, update();
}
void FlatButton::setTextColours(std::optional<QColor> normal, std::optional<QColor> hot) {
  normalText_ = normal, hotText_ = hot, update();
}

void FlatButton::setHot(bool on) {
  if (hot_ == on) return;
  hot_ = on;
  update();
}

void FlatButton::mouseMoveEvent(QMouseEvent* e) {
  QPushButton::mouseMoveEvent(e);
  if (!flat_) return;
  const bool inside = rect().contains(e->position().toPoint());
  if (inside) {
    // Ignored while the left button is held and the button is not hot yet.
    if ((e->buttons() & Qt::LeftButton) && !hot_) return;
    if (!hot_ && QApplication::activeWindow() != nullptr) setHot(true);
  } else {
    setHot(false);
  }
}

void FlatButton::leaveEvent(QEvent* e) {
  QPushButton::leaveEvent(e);
  setHot(false);
}

void FlatButton::focusOutEvent(QFocusEvent* e) {
  QPushButton::focusOutEvent(e);
  setHot(false);
}

void FlatButton::mouseDoubleClickEvent(QMouseEvent* e) {
  mousePressEvent(e);  // a double click is one more press
}

void FlatButton::changeEvent(QEvent* e) {
  QPushButton::changeEvent(e);
  if (e->type() == QEvent::ParentChange) parentBackground_ = QPixmap();
}

void FlatButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool pressed = isDown();
  const bool focused = hasFocus();
  const bool enabled = isEnabled();
  const bool checked = isCheckable() && isChecked();
  const bool active = hot_ || pressed;
  QRect r = rect();

  // 1. The default frame of a focused or default button.
  if (focused || isDefault()) {
    if (defaultFrame_) drawRing(p, r, sysColour(S::BtnHighlight), sysColour(S::BtnShadow));
    r.adjust(1, 1, -1, -1);
  }
  // 2. Background.
  if (transparent_ && parentWidget() != nullptr) {
    if (parentBackground_.isNull()) {
      parentBackground_ = QPixmap(size());
      parentBackground_.fill(sysColour(S::BtnFace));
      parentWidget()->render(&parentBackground_, QPoint(), QRegion(geometry()),
                             QWidget::DrawWindowBackground);
    }
    p.drawPixmap(r, parentBackground_, r);
  } else if (active) {
    p.fillRect(r, hotColour(hotBack_.value_or(sysColour(S::BtnFace))));
  } else {
    p.fillRect(r, normalBack_.value_or(sysColour(S::BtnFace)));
  }
  // 3. Border.
  const QRect sunken = r;
  auto sunkenFrame = [&] { drawRing(p, sunken, sysColour(S::DkShadow3D), sysColour(S::Light3D)); };
  if (pressed) {
    if (!flat_)
      drawRing(p, r, sysColour(S::BtnShadow), sysColour(S::BtnShadow));
    else if (borderOnHover_)
      drawRing(p, r, sysColour(S::BtnShadow), sysColour(S::BtnHighlight));
  } else if (!flat_) {
    if (!isCheckable()) {
      drawRing(p, r, sysColour(S::BtnHighlight), sysColour(S::DkShadow3D));
      drawRing(p, r.adjusted(1, 1, -1, -1), sysColour(S::Light3D), sysColour(S::BtnShadow));
    } else if (checked) {
      sunkenFrame();
    }
  } else if (hot_ && borderOnHover_ && !checked) {
    drawRing(p, r, sysColour(S::BtnHighlight), sysColour(S::BtnShadow));
  } else if (checked) {
    sunkenFrame();
  }
  // 4. Icon.
  const QIcon& icon =
      isCheckable() ? (checked ? hotIcon_ : normalIcon_) : (active ? hotIcon_ : normalIcon_);
  QRect caption = r;
  const QString label = showText_ ? text() : QString();
  const int shift = pressed ? 1 : 0;
  if (!icon.isNull()) {
    const QList<QSize> sizes = icon.availableSizes();
    const QSize size = sizes.isEmpty() ? iconSize() : sizes.front();
    QPoint at;
    if (label.isEmpty()) {
      at = QPoint(r.x() + (r.width() - size.width()) / 2, r.y() + (r.height() - size.height()) / 2);
    } else if (placement_ == IconLeft) {
      at = QPoint(r.x() + 3, r.y() + (r.height() - size.height()) / 2);
      caption.setLeft(at.x() + size.width() + 3);
    } else {
      at = QPoint(r.x() + (r.width() - size.width()) / 2, r.y() + 3);
      caption.setTop(at.y() + size.height());
    }
    const QPixmap pm = icon.pixmap(size, enabled ? QIcon::Normal : QIcon::Disabled);
    p.drawPixmap(at + QPoint(shift, shift), pm);
  }
  // 5. Caption.
  if (!label.isEmpty()) {
    const int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    const QRect at = caption.translated(shift, shift);
    p.setFont(font());
    if (!enabled) {
      p.setPen(sysColour(S::BtnHighlight));
      p.drawText(at.translated(1, 1), flags, label);
      p.setPen(sysColour(S::BtnShadow));
    } else {
      p.setPen(active ? hotText_.value_or(sysColour(S::BtnText))
                      : normalText_.value_or(sysColour(S::BtnText)));
    }
    p.drawText(at, flags, label);
  }
  // 6. Focus rectangle.
  if (focused && (!flat_ || focusRectWhenFlat_)) {
    QStyleOptionFocusRect fr;
    fr.initFrom(this);
    fr.rect = r.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &fr, &p, this);
  }
  // 7. A checked button stays sunken over everything.
  if (checked) sunkenFrame();
}

}  // namespace ts::ui
