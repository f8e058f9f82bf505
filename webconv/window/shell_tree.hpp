// The folder tree: a root that is no folder (the computer), and under it the user's home, the
// user folders of the desktop that exist, the file-system root and the mounted volumes.
// Folders only, hidden ones left out, sorted as file managers sort, each branch filled when
// first opened or selected.  A right click opens the program's folder menu.
#pragma once

#include <QStringList>
#include <QTreeWidget>

namespace ts::web::window {

class ShellTree : public QTreeWidget {
  Q_OBJECT
 public:
  // `places`: the folders under the root (default: the desktop's, see above).
  explicit ShellTree(QWidget* parent = nullptr, QStringList places = defaultPlaces());
  static QStringList defaultPlaces();

  // The folder of an item; empty for the root.
  static QString pathOf(const QTreeWidgetItem* item);
  // Fills an item's branch unless it was filled before; the number of items it added.
  int fill(QTreeWidgetItem* item);
  // The item that shows `path`, opening the branches on the way; null when it is not shown.
  QTreeWidgetItem* reveal(const QString& path);
  // The folder menu of an item, as a right click shows it (for tests and screenshots).
  QMenu* folderMenu(QTreeWidgetItem* item);
  // Sorts names as file managers do: by the locale, numbers by value.
  static void sortNames(QStringList& names);

 signals:
  // The selected folder, or an empty path when the selection is no folder.
  void folderSelected(const QString& path);
  void addRequested(const QString& path);

 private:
  QTreeWidgetItem* makeItem(QTreeWidgetItem* parent, const QString& path, const QString& text);
};

// Whether a folder has a sub-folder that is not hidden; false when it cannot be read.
bool hasSubFolder(const QString& path);

}  // namespace ts::web::window
