// One entry of a folder listing: its type name from the shared MIME database, its icon from
// the icon theme, and the date and size texts of the listing.
#pragma once

#include <QDateTime>
#include <QFileInfo>
#include <QIcon>
#include <QString>

namespace ts::web::window {

class FileEntry {
 public:
  explicit FileEntry(const QFileInfo& info) : info_(info) {}
  explicit FileEntry(const QString& path) : info_(path) {}

  QString path() const { return info_.absoluteFilePath(); }
  QString displayName() const { return info_.fileName(); }
  bool isFolder() const { return info_.isDir(); }
  QString typeName() const;
  QIcon icon() const;
  // The last change in local time, in the form of the windows' language: "09/05/2025 05:41"
  // for 9 May in Vietnamese, "05/09/2025 05:41" in American English.
  QString dateText() const;
  // Files only: the length with its digits grouped as the windows' language groups them
  // ("3,221,225,472"; "3.221.225.472" in Vietnamese).
  QString sizeText() const;

 private:
  QFileInfo info_;
};

// A length with its digits grouped by the windows' language ("," between every three under
// C).
QString groupedDigits(qint64 n);

}  // namespace ts::web::window
