#include "file_entry.hpp"

#include <sys/stat.h>

#include <QFile>
#include <QFileIconProvider>
#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>

namespace ts::web::window {

QString groupedDigits(qint64 n) {
  // In the windows' language ("1.000" in Vietnamese); under C, with commas as before.
  const QLocale locale;
  if (locale.language() != QLocale::C) return locale.toString(n);
  const QString digits = QString::number(n < 0 ? -n : n);
  QString out;
  for (qsizetype i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

QString FileEntry::typeName() const {
  static const QMimeDatabase mime;
  return mime.mimeTypeForFile(info_).comment();
}

QIcon FileEntry::icon() const {
  static const QFileIconProvider icons;
  return icons.icon(info_);
}

QString FileEntry::dateText() const {
  // Qt takes a time of 0 (the epoch, common in archives and build outputs) for none.
  QDateTime t = info_.lastModified();
  struct stat st {};
  if (!t.isValid() && ::stat(QFile::encodeName(info_.filePath()).constData(), &st) == 0)
    t = QDateTime::fromSecsSinceEpoch(st.st_mtime);
  if (!t.isValid()) return QString();
  t = t.toLocalTime();
  // The date in the form of the windows' language (09/05/2025 for 9 May in Vietnamese), with
  // its whole year; the time in hours and minutes.
  // Under C, American English as before; days and months in two digits, years in four.
  const QLocale locale = QLocale().language() == QLocale::C
                             ? QLocale(QLocale::English, QLocale::UnitedStates)
                             : QLocale();
  QString date = locale.dateFormat(QLocale::ShortFormat);
  date.replace(QRegularExpression("(?<![dMy])(d|M)(?![dMy])"), "\\1\\1");
  date.replace(QRegularExpression("(?<!y)y{1,2}(?!y)"), "yyyy");
  return locale.toString(t, date + " HH:mm");
}

QString FileEntry::sizeText() const { return isFolder() ? QString() : groupedDigits(info_.size()); }

}  // namespace ts::web::window
