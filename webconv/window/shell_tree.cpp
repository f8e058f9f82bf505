#include "shell_tree.hpp"

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileIconProvider>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

#include "ts/ui/message_box.hpp"
#include "window_texts.hpp"

namespace ts::web::window {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

QStringList subFolders(const QString& path) {
  // Hidden folders (dot names) are left out: QDir lists them only when asked.
  QStringList names = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  ShellTree::sortNames(names);
  return names;
}

}  // namespace

bool hasSubFolder(const QString& path) {
  QDirIterator it(path, QDir::Dirs | QDir::NoDotAndDotDot);
  return it.hasNext();
}

void ShellTree::sortNames(QStringList& names) {
  // Runs of digits compare by value ("b9" before "b10"), the rest by the locale, without case;
  // done here because the collator's own numeric mode needs ICU and a locale.
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  auto chunks = [](const QString& s) {
    QStringList parts;
    for (qsizetype i = 0; i < s.size();) {
      const bool digits = s[i].isDigit();
      qsizetype j = i;
      while (j < s.size() && s[j].isDigit() == digits) ++j;
      parts << s.mid(i, j - i);
      i = j;
    }
    return parts;
  };
  auto less = [&](const QString& a, const QString& b) {
    const QStringList x = chunks(a), y = chunks(b);
    for (qsizetype i = 0; i < x.size() && i < y.size(); ++i) {
      if (x[i][0].isDigit() && y[i][0].isDigit()) {
        QString u = x[i], v = y[i];
        while (u.size() > 1 && u[0] == '0') u.remove(0, 1);
        while (v.size() > 1 && v[0] == '0') v.remove(0, 1);
        if (u.size() != v.size()) return u.size() < v.size();
        if (u != v) return u < v;
        continue;
      }
      const int c = collator.compare(x[i], y[i]);
      if (c != 0) return c < 0;
    }
    if (x.size() != y.size()) return x.size() < y.size();
    return a < b;  // equal to the collator: a fixed order all the same
  };
  std::stable_sort(names.begin(), names.end(), less);
}

QStringList ShellTree::defaultPlaces() {
  QStringList places{QDir::homePath()};
  for (const auto location : {QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation,
                              QStandardPaths::DownloadLocation, QStandardPaths::MusicLocation,
                              QStandardPaths::PicturesLocation, QStandardPaths::MoviesLocation}) {
    const QString p = QStandardPaths::writableLocation(location);
    if (!p.isEmpty() && p != QDir::homePath() && QFileInfo(p).isDir() && !places.contains(p))
      places << p;
  }
  places << "/";
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    if (volume.isValid() && volume.isReady() && !places.contains(root) &&
        (root.startsWith("/media/") || root.startsWith("/mnt/") || root.startsWith("/run/media/")))
      places << root;
  }
  return places;
}

ShellTree::ShellTree(QWidget* parent, QStringList places) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setContextMenuPolicy(Qt::CustomContextMenu);
  auto* root = new QTreeWidgetItem(this);
  root->setText(0, texts::tr(texts::kRootName));
  root->setIcon(0, QFileIconProvider().icon(QFileIconProvider::Computer));
  root->setData(0, kFilledRole, true);
  for (const QString& place : places) {
    const QString text = place == "/"                ? QString("/")
                         : place == QDir::homePath() ? QDir(place).dirName()
                                                     : QFileInfo(place).fileName();
    makeItem(root, place, text.isEmpty() ? place : text);
  }
  root->setExpanded(true);
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { fill(item); });
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item == nullptr) return;
    fill(item);  // a folder selected before it was opened is filled now, once
    emit folderSelected(pathOf(item));
  });
  // A double-click lists the folder again, though it is selected already.
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (item != nullptr) emit folderSelected(pathOf(item));
  });
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QTreeWidgetItem* item = itemAt(at);
    if (item == nullptr) {
      clearSelection();
      return;
    }
    setCurrentItem(item);
    if (pathOf(item).isEmpty()) return;
    QMenu* menu = folderMenu(item);
    menu->exec(viewport()->mapToGlobal(at));
    menu->deleteLater();
  });
}

QTreeWidgetItem* ShellTree::makeItem(QTreeWidgetItem* parent, const QString& path,
                                     const QString& text) {
  auto* item = new QTreeWidgetItem(parent);
  item->setText(0, text);
  item->setData(0, kPathRole, path);
  item->setData(0, kFilledRole, false);
  item->setIcon(0, QFileIconProvider().icon(QFileInfo(path)));
  item->setChildIndicatorPolicy(hasSubFolder(path) ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicator);
  return item;
}

QString ShellTree::pathOf(const QTreeWidgetItem* item) {
  return item == nullptr ? QString() : item->data(0, kPathRole).toString();
}

int ShellTree::fill(QTreeWidgetItem* item) {
  if (item->data(0, kFilledRole).toBool()) return 0;
  item->setData(0, kFilledRole, true);
  const QString path = pathOf(item);
  int added = 0;
  for (const QString& name : subFolders(path)) {
    makeItem(item, QDir(path).filePath(name), name);
    ++added;
  }
  // The flag was taken when the item was made; the folder may have changed since.
  item->setChildIndicatorPolicy(added == 0 ? QTreeWidgetItem::DontShowIndicator
                                           : QTreeWidgetItem::ShowIndicator);
  return added;
}

QTreeWidgetItem* ShellTree::reveal(const QString& path) {
  const QString target = QDir::cleanPath(path);
  QTreeWidgetItem* root = topLevelItem(0);
  QTreeWidgetItem* best = nullptr;
  for (int i = 0; i < root->childCount(); ++i) {  // the deepest place that holds it
    const QString p = pathOf(root->child(i));
    if ((target == p || target.startsWith(p == "/" ? p : p + "/")) &&
        (best == nullptr || p.size() > pathOf(best).size()))
      best = root->child(i);
  }
  while (best != nullptr && pathOf(best) != target) {
    fill(best);
    best->setExpanded(true);
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < best->childCount() && next == nullptr; ++i) {
      const QString p = pathOf(best->child(i));
      if (target == p || target.startsWith(p + "/")) next = best->child(i);
    }
    best = next;
  }
  return best;
}

QMenu* ShellTree::folderMenu(QTreeWidgetItem* item) {
  const QString path = pathOf(item);
  auto* menu = new QMenu(this);
  menu->addAction(texts::tr(texts::kOpenFolder), this, [this, path] {
    QProcess opener;
    opener.start("xdg-open", {path});
    // xdg-open hands the folder to the file manager and ends; its failure is reported.
    if (!opener.waitForFinished(10000) || opener.exitStatus() != QProcess::NormalExit ||
        opener.exitCode() != 0) {
      const QString why = opener.error() == QProcess::FailedToStart
                              ? QString("xdg-open is not installed")
                              : QString::fromLocal8Bit(opener.readAllStandardError()).trimmed();
      QMessageBox::warning(this, "TSweb",
                           QString("Cannot open %1 in the file manager: %2")
                               .arg(path, why.isEmpty() ? QString("xdg-open failed") : why));
    }
  });
  menu->addAction(texts::tr(texts::kAddFolder), this, [this, path] { emit addRequested(path); });
  menu->addAction(texts::tr(texts::kCopyPath), this,
                  [path] { QApplication::clipboard()->setText(path); });
  return menu;
}

}  // namespace ts::web::window
