// The flat push button of the dialogs: draws itself (the skin manager leaves it alone), shows
// no border until the mouse is over it, can carry an icon, toggle in check mode and paint
// the parent's background under itself.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <optional>

namespace ts::ui {

class FlatButton : public QPushButton {
  Q_OBJECT
 public:
  enum IconPlacement { IconLeft = 0, IconAbove = 1 };

  explicit FlatButton(QWidget* parent = nullptr);
  explicit FlatButton(const QString& text, QWidget* parent = nullptr);

  // The icons for the hot (or pressed) state and for the others; the size is the icon's own.
  void setIcons(const QIcon& hot, const QIcon& normal);
  void setTooltipText(const QString& text, bool activate = true);
  void setDefaultFrame(bool on);
  void setFlat(bool on);  // hides QPushButton::setFlat: flat is the button's own mode here
  bool isFlat() const { return flat_; }
  void setBorderOnHover(bool on);
  void setShowText(bool on);
  void setFocusRectWhenFlat(bool on);
  void setIconPlacement(IconPlacement p);
  void setTransparent(bool on);
  void setCheckMode(bool on);  // a click toggles the checked state
  // Colours; an unset colour is the system colour of the moment (BTNFACE, BTNTEXT).
  void setBackgrounds(std::optional<QColor> normal, std::optional<QColor> hot);
  void setTextColours(std::optional<QColor> normal, std::optional<QColor> hot);

  bool isHot() const { return hot_; }
  // Sets the hot state as the mouse would (for the gallery and tests).
  void setHot(bool on);

  // The background of a hot or pressed button: `base` with 20 more in each channel.
  static QColor hotColour(const QColor& base);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void init();

  bool flat_ = true;
  bool borderOnHover_ = true;
  bool defaultFrame_ = true;
  bool showText_ = true;
  bool focusRectWhenFlat_ = false;
  bool transparent_ = false;
  bool hot_ = false;
  IconPlacement placement_ = IconLeft;
  QIcon hotIcon_, normalIcon_;
  std::optional<QColor> normalBack_, hotBack_, normalText_, hotText_;
  QPixmap parentBackground_;  // transparent buttons: the parent's pixels, captured once
};

}  // namespace ts::ui
