#include "ts/ui/ui_font.hpp"

#include <QGuiApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFontDatabase>
#include <QTimeZone>
#include <cerrno>

extern const unsigned char kUiFont8[];
extern const unsigned long kUiFont8Size;
extern const unsigned char kUiFont10[];
extern const unsigned long kUiFont10Size;

namespace ts::ui {

QString uiFontFamily() {
  const bool scaled = qApp != nullptr && qApp->devicePixelRatio() > 1.25;
  return scaled ? QStringLiteral("DejaVu Sans") : QString::fromLatin1(kUiFontFamily);
}

int uiPointSize() { return QGuiApplication::font().pointSizeF() >= 12 ? 10 : 8; }
namespace {

bool faceKnown() {
  return QFontDatabase::families().contains(QString::fromLatin1(kUiFontFamily), Qt::CaseSensitive);
}

}  // namespace

namespace detail {

bool writeUiFontFile(const QString& path, const QByteArray& bytes) {
  const QByteArray p = QFile::encodeName(path);
  const int fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
  const char* at = bytes.constData();
  qint64 left = bytes.size();
  while (ok && left > 0) {
    const ssize_t n = ::write(fd, at, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      at += n, left -= n;
  }
  ok = ok && ftruncate(fd, bytes.size()) == 0;
  if (ok) {
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(detail::uiFontTimeStamp());
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ok = futimens(fd, times) == 0;
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace detail

QByteArray uiFontFile(int points) {
  if (points == 8)
    return QByteArray::fromRawData(reinterpret_cast<const char*>(kUiFont8),
                                   static_cast<qsizetype>(kUiFont8Size));
  if (points == 10)
    return QByteArray::fromRawData(reinterpret_cast<const char*>(kUiFont10),
                                   static_cast<qsizetype>(kUiFont10Size));
  return {};
}

namespace detail {

qint64 uiFontTimeStamp() {
  return QDateTime(QDate(1997, 1, 18), QTime(8, 30), QTimeZone::utc()).toSecsSinceEpoch();
}

UiFontResult installUiFontInto(const QString& folder) {
  UiFontResult r;
  if (faceKnown()) {
    r.found = true;
    return r;
  }
  bool written = true, registered = true;
  for (int points : {8, 10}) {
    const QString path = folder + QString("/tsnt%1.bdf").arg(points);
    const QByteArray bytes = uiFontFile(points);
    written = detail::writeUiFontFile(path, bytes) && written;
    // Registered from the bytes themselves rather than from the file: the shared temporary
    // folder may be cleaned while the program runs, and a file there that is not ours is
    // never read.
    registered = QFontDatabase::addApplicationFontFromData(bytes) >= 0 && registered;
  }
  r.written = written;
  r.registered = registered && faceKnown();
  return r;
}

}  // namespace detail

bool InstallUiFont() {
  static bool done = false;
  if (done) return true;
  const detail::UiFontResult r = detail::installUiFontInto(QDir::tempPath());
  done = r.found || r.registered;
  return done;
}

}  // namespace ts::ui
