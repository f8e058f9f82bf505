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

#include "ts/ui/program.hpp"

namespace ts::ui {

// The text of the message that reports a failed open, for a failure code (the codes of the
// classic shell's open call; unknown codes give "Unknown Error (%d) occurred.").
QString linkErrorText(int code);
// The failure code for an errno of a program that could not be started.
int linkErrorOfErrno(int err);
// The failure code for an exit status of xdg-open.
int linkErrorOfXdgOpen(int status);

// Cuts a browser command line at its first placeholder (a desktop entry's field code such as
// %u or %f, the classic "%1", each with its quotes when quoted) and appends a blank and the
// target, quoted for the shell.
QString browserCommandLine(const QString& exec, const QString& target);
// The Exec line of the desktop entry `desktopId` (such as "firefox-esr.desktop"), found in
// $XDG_DATA_HOME/applications and the applications folders of $XDG_DATA_DIRS; empty when
// there is none.
QString desktopEntryExec(const QString& desktopId);

// Opens targets without ever blocking the UI: xdg-open first; when that fails, the browser
// that the desktop registers for text/html.  The result arrives through `done` (0 on
// success, else the failure code).  A start that is still running after `settleMs` counts
// as a success and is left to run.
class LinkOpener : public QObject {
  Q_OBJECT
 public:
  explicit LinkOpener(QObject* parent = nullptr);
  // A query still running is stopped; a started handler is left to run.
  ~LinkOpener() override;
  void open(const QString& target, std::function<void(int failure)> done);
  void setSettleTime(int ms) { settleMs_ = ms; }
  bool busy() const { return pid_ > 0; }

 private:
  void watch(int pid);  // polls the started program until it ends or settles
  void poll();
  void tryBrowser(int failure);
  void finish(int failure);

  QString target_;
  std::function<void(int)> done_;
  QTimer timer_;
  int pid_ = -1;
  bool browserStep_ = false;
  int shellFailure_ = 0;
  qint64 startedAt_ = 0;
  int settleMs_ = 3000;
};

class HyperLink : public QLabel {
  Q_OBJECT
 public:
  explicit HyperLink(QWidget* parent = nullptr, Program program = Program::Web);
  HyperLink(const QString& text, const QString& target, QWidget* parent = nullptr,
            Program program = Program::Web);

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
