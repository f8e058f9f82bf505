// The report list of the dialogs: a list with columns whose header sorts the rows by the
// clicked column, draws an arrow on the sorted column and a flat frame, and which keeps its
// column widths in the program's profile.
#pragma once

#include <QAbstractProxyModel>
#include <QEvent>
#include <QHeaderView>
#include <QStringList>
#include <QTableView>
#include <QTreeWidget>
#include <vector>

namespace ts::ui {

class SortHeader : public QHeaderView {
  Q_OBJECT
 public:
  static constexpr int kArrowSize = 6;

  explicit SortHeader(QWidget* parent = nullptr);

  // Shows the arrow on `column` (-1: none), pointing up for ascending order.
  void setSortColumn(int column, bool ascending);
  int sortColumn() const { return column_; }
  bool ascending() const { return ascending_; }
  void setFlat(bool on);
  bool isFlat() const { return flat_; }
  // Gives the header its own font ("MS Sans Serif", 8.5 points).
  void setOwnFont(bool on);

 protected:
  void paintSection(QPainter* p, const QRect& rect, int logical) const override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  int column_ = -1;
  bool ascending_ = true;
  bool flat_ = false;
  bool ownFont_ = false;
  int pressed_ = -1;
};

// Sent to the parent of a SortList that hands dropped files on: the paths and the list they
// were dropped on.
class FilesDroppedEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 12);
  FilesDroppedEvent(QStringList paths, QWidget* list)
      : QEvent(kType), paths_(std::move(paths)), list_(list) {}
  const QStringList& paths() const { return paths_; }
  QWidget* list() const { return list_; }

 private:
  QStringList paths_;
  QWidget* list_;
};

// The sort rule of both lists: rows first..last (-1: the last) put in the byte order of their
// keys by the lists' quicksort (equal keys are not kept in order, as that quicksort leaves
// them).  Returns the row that goes to each place.
std::vector<int> sortedRowOrder(std::vector<QByteArray> keys, bool ascending, int first = 0,
                                int last = -1);

// Where a list keeps its column widths: the program's profile, section "Settings", entry
// "Control", as each width followed by ",".
class ColumnWidthStore {
 public:
  ColumnWidthStore();
  void setPlace(const QString& path, const QString& section, const QString& entry);
  static QString text(const QHeaderView* header);
  bool save(const QHeaderView* header) const;

 private:
  QString profile_, section_ = "Settings", entry_ = "Control";
};

class SortList : public QTreeWidget {
  Q_OBJECT
 public:
  enum class Drops {
    ToParent,  // dropped files go to the parent as a FilesDroppedEvent
    Default,   // the list does not handle drops
  };

  explicit SortList(QWidget* parent = nullptr, Drops drops = Drops::Default);
  // Writes the column widths to the profile.
  ~SortList() override;

  SortHeader* sortHeader() const { return header_; }
  int sortedColumn() const { return column_; }
  bool ascending() const { return ascending_; }

  // Sorts rows first..last (-1: the last row) by the texts of `column`, in code order.
  void sort(int column, bool ascending, int first = 0, int last = -1);

  // Where the widths are written: the profile file (default: the program's profile), its
  // section and entry (default "Settings", "Control").
  void setProfilePlace(const QString& path, const QString& section, const QString& entry) {
    widths_.setPlace(path, section, entry);
  }
  // The widths as they are written: each decimal width followed by ",".
  QString widthsText() const;
  // Writes the widths now; false when the profile cannot be written.
  bool saveWidths() const;

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void headerClicked(int column);

  SortHeader* header_;
  Drops drops_;
  int column_ = -1;
  bool ascending_ = true;
  ColumnWidthStore widths_;
};

// The rows of a source model in the order of one column, sorted by the lists' rule.  Until
// the first sort, and after the source changes its rows, the order is the source's.
class SortProxyModel : public QAbstractProxyModel {
  Q_OBJECT
 public:
  explicit SortProxyModel(QObject* parent = nullptr);
  void setSourceModel(QAbstractItemModel* source) override;
  void sortBy(int column, bool ascending);

  QModelIndex mapToSource(const QModelIndex& proxy) const override;
  QModelIndex mapFromSource(const QModelIndex& source) const override;
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;

 private:
  void resetOrder();
  std::vector<int> order_, place_;  // empty: the source's order
};

// The model-based form of the report list, for large tables: a view over any model whose
// header sorts by the clicked column with the same rule, arrow and width saving.  No item is
// made per cell, so a table of a million rows lists at once.
class SortTable : public QTableView {
  Q_OBJECT
 public:
  explicit SortTable(QWidget* parent = nullptr);
  ~SortTable() override;

  void setModel(QAbstractItemModel* model) override;
  SortHeader* sortHeader() const { return header_; }
  SortProxyModel* sortModel() const { return proxy_; }
  int sortedColumn() const { return column_; }
  bool ascending() const { return ascending_; }
  void sort(int column, bool ascending);

  void setProfilePlace(const QString& path, const QString& section, const QString& entry) {
    widths_.setPlace(path, section, entry);
  }
  QString widthsText() const { return ColumnWidthStore::text(header_); }
  bool saveWidths() const { return widths_.save(header_); }

 private:
  SortHeader* header_;
  SortProxyModel* proxy_;
  int column_ = -1;
  bool ascending_ = true;
  ColumnWidthStore widths_;
};

}  // namespace ts::ui
