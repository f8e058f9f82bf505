// Opening a link's target with the desktop's handlers, without blocking: the failure texts,
// the browser's command line from its desktop entry, and the opener that tries them in turn.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

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

}  // namespace ts::ui
