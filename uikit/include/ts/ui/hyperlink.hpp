// A text that behaves as a link: coloured and underlined, hot under the mouse, and opened
// with the desktop's default handler when clicked.
#pragma once

#include <QColor>
#include <QCursor>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>

#include "ts/ui/link_opener.hpp"

namespace ts::ui {

class HyperLink : public QLabel {
  Q_OBJECT
 public:
  // `hover`: the colour of the text under the mouse; none is the highlight colour of the
  // moment.  Each program passes its own.
  explicit HyperLink(QWidget* parent = nullptr, std::optional<QColor> hover = std::nullopt);
  HyperLink(const QString& text, const QString& target, QWidget* parent = nullptr,
            std::optional<QColor> hover = std::nullopt);

  void setTarget(const QString& target);
  QString target() const { return target_; }
  // A hover colour of nullopt is the highlight colour of the moment.
  void setColours(const QColor& link, const QColor& visited, std::optional<QColor> hover);
  void setVisited(bool on);
  bool visited() const { return visited_; }
  bool hovering() const { return hovering_; }
  void setLinkCursor(const QCursor& c);
  void setUnderline(bool on);
  void setAutoSize(bool on);
  // Takes the label's text as target when there is none, shows the target when the text is
  // empty, gives the text the link font, fits the size and sets the cursor and tooltip.
  void attach();
  // The colour the text has now.
  QColor textColour() const;
  // Opens the target as a click does.
  void openTarget();

  // Where failures are reported (default: a beep and a warning box); tests replace it.
  using FailureReporter = std::function<void(QWidget* link, const QString& message)>;
  static void setFailureReporter(FailureReporter r);
  LinkOpener& opener() { return opener_; }

 signals:
  // A click's outcome, after it has been shown: 0 when the target opened, else the failure.
  void openFinished(int failure);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void fit();

  QString target_;
  QColor link_{0, 0, 238}, visitedColour_{85, 26, 139};
  std::optional<QColor> hover_;
  bool hovering_ = false, visited_ = false, underline_ = true, autoSize_ = true, attached_ = false;
  bool cursorSet_ = false;
  LinkOpener opener_;
};

}  // namespace ts::ui
