#include "ts/ui/link_opener.hpp"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>
#include <cerrno>

#include "ts/platform/paths.hpp"
#include "ts/platform/process.hpp"

namespace ts::ui {
namespace {

QString shellQuoted(const QString& s) {
  QString q = s;
  q.replace("'", "'\\''");
  return "'" + q + "'";
}

}  // namespace

QString linkErrorText(int code) {
  switch (code) {
    case 0: return "The operating system is out\nof memory or resources.";
    case 2: return "The specified file was not found.";
    case 3: return "The specified path was not found.";
    case 5: return "The operating system denied\naccess to the specified file.";
    case 8: return "There was not enough memory to complete the operation.";
    case 11: return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26: return "A sharing violation occurred. ";
    case 27: return "The filename association is\nincomplete or invalid.";
    case 28: return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29: return "The DDE transaction failed.";
    case 30:
      return "The DDE transaction could not\nbe completed because other DDE "
             "transactions\nwere being processed.";
    case 31: return "There is no application associated\nwith the given filename extension.";
    case 32: return "The specified dynamic-link library was not found.";
    default: return QString::asprintf("Unknown Error (%d) occurred.", code);
  }
}

int linkErrorOfErrno(int err) {
  switch (err) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG: return 3;
    case EACCES:
    case EPERM: return 5;
    case ENOMEM: return 8;
    case EAGAIN: return 0;
    case ENOEXEC: return 11;
    case ETXTBSY: return 26;
    default: return 256 + err;  // no classic code: shown as an unknown error
  }
}

int linkErrorOfXdgOpen(int status) {
  switch (status) {
    case 1: return 27;                                // a syntax error in the command line
    case 2: return 2;                                 // the file does not exist
    case 3: return 31;                                // no tool to open it with
    case 4: return 27;                                // the action failed
    case 126: return 5;                               // found but not executable
    case 127: return 2;                               // not found
    default: return status > 128 ? 0 : 256 + status;  // killed by a signal: out of resources
  }
}

QString browserCommandLine(const QString& exec, const QString& target) {
  static const QRegularExpression code(
      R"(("|')?(%[fFuUickdDnNvm]|%1)(\1)?)");  // a field code, with its quotes when quoted
  QString line = exec;
  QRegularExpressionMatchIterator it = code.globalMatch(line);
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    // "%%" is a literal percent sign, not a placeholder.
    const int at = static_cast<int>(m.capturedStart(2));
    if (at > 0 && line[at - 1] == '%') continue;
    const bool quoted = !m.captured(1).isEmpty() && !m.captured(3).isEmpty();
    line.truncate(static_cast<int>(quoted ? m.capturedStart(0) : m.capturedStart(2)));
    break;
  }
  return line + " " + shellQuoted(target);
}

QString desktopEntryExec(const QString& desktopId) {
  if (desktopId.isEmpty() || desktopId.contains('/')) return {};
  for (const std::string& d : platform::dataFolders()) {
    QFile f(QString::fromStdString(d) + "/applications/" + desktopId);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
    QTextStream in(&f);
    bool inEntry = false;
    while (!in.atEnd()) {
      const QString line = in.readLine().trimmed();
      if (line.startsWith('[')) {
        inEntry = line == "[Desktop Entry]";
        continue;
      }
      if (inEntry && line.startsWith("Exec=")) return line.mid(5).trimmed();
    }
  }
  return {};
}

// --- LinkOpener -----------------------------------------------------------------------

LinkOpener::LinkOpener(QObject* parent) : QObject(parent) {
  timer_.setInterval(50);
  connect(&timer_, &QTimer::timeout, this, &LinkOpener::poll);
}

LinkOpener::~LinkOpener() {
  for (QProcess* query : findChildren<QProcess*>()) {
    query->disconnect(this);
    query->kill();
    query->waitForFinished(1000);
  }
  if (pid_ > 0) platform::releaseProgram(pid_);
}

void LinkOpener::open(const QString& target, std::function<void(int)> done) {
  if (busy()) return;
  target_ = target;
  done_ = std::move(done);
  browserStep_ = false;
  const platform::StartedProgram p = platform::startProgram({"xdg-open", target.toStdString()});
  if (p.error != 0) {
    tryBrowser(linkErrorOfErrno(p.error));
    return;
  }
  watch(p.pid);
}

void LinkOpener::watch(int pid) {
  pid_ = pid;
  startedAt_ = QDateTime::currentMSecsSinceEpoch();
  timer_.start();
}

void LinkOpener::poll() {
  if (pid_ <= 0) return timer_.stop();
  const int status = platform::programStatus(pid_);
  if (status < 0) {
    // Still running: a handler that stays (a browser in the foreground) has started.
    if (QDateTime::currentMSecsSinceEpoch() - startedAt_ >=
        (browserStep_ ? settleMs_ / 3 : settleMs_)) {
      platform::releaseProgram(pid_);
      pid_ = -1;
      timer_.stop();
      finish(0);
    }
    return;
  }
  pid_ = -1;
  timer_.stop();
  if (browserStep_) {
    // The shell that started the browser: 126 and 127 mean the browser did not start.
    finish(status == 127 ? 2 : status == 126 ? 5 : 0);
  } else if (status == 0) {
    finish(0);
  } else {
    tryBrowser(linkErrorOfXdgOpen(status));
  }
}

void LinkOpener::tryBrowser(int failure) {
  shellFailure_ = failure;
  browserStep_ = true;
  auto* query = new QProcess(this);
  query->setProcessChannelMode(QProcess::SeparateChannels);
  query->setStandardInputFile(QProcess::nullDevice());
  auto* guard = new QTimer(query);
  guard->setSingleShot(true);
  connect(guard, &QTimer::timeout, query, [query] { query->kill(); });
  connect(query, &QProcess::finished, this, [this, query](int code, QProcess::ExitStatus how) {
    const QString id = QString::fromLocal8Bit(query->readAllStandardOutput()).trimmed();
    query->deleteLater();
    const QString exec =
        how == QProcess::NormalExit && code == 0 ? desktopEntryExec(id) : QString();
    if (exec.isEmpty())
      return finish(shellFailure_);  // no registered browser: the first failure stands
    const QString line = browserCommandLine(exec, target_);
    const platform::StartedProgram p =
        platform::startProgram({"/bin/sh", "-c", ("exec " + line).toStdString()});
    if (p.error != 0) return finish(linkErrorOfErrno(p.error));
    watch(p.pid);
  });
  connect(query, &QProcess::errorOccurred, this, [this, query](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;
    query->deleteLater();
    finish(shellFailure_);
  });
  query->start("xdg-mime", {"query", "default", "text/html"});
  guard->start(3000);
}

void LinkOpener::finish(int failure) {
  auto done = std::move(done_);
  done_ = nullptr;
  if (done) done(failure);
}

// --- HyperLink ------------------------------------------------------------------------

}  // namespace ts::ui
