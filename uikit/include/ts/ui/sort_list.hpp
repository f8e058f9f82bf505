// The report list of the dialogs: a list with columns whose header sorts the rows by the
// clicked column, draws an arrow on the sorted column and a flat frame, and which keeps its
// column widths in the program's profile.
#pragma once

#include <QEvent>
#include <QHeaderView>
#include <QStringList>
#include <QTreeWidget>

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

// Sent to the parent of a SortList that hands dropped files on (TSweb's way): the paths and
// the list they were dropped on.
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

class SortList : public QTreeWidget {
  Q_OBJECT
 public:
  enum class Drops {
    ToParent,  // TSweb: dropped files go to the parent as a FilesDroppedEvent
    Default,   // TSdata: the list does not handle drops
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
  void setProfilePlace(const QString& path, const QString& section, const QString& entry);
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
  QString profile_, section_ = "Settings", entry_ = "Control";
};

}  // namespace ts::ui
