#include "ts/ui/sort_list.hpp"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "ts/platform/registry.hpp"
#include "ts/ui/program.hpp"
#include "ts/ui/system_colours.hpp"

namespace ts::ui {
namespace {

using S = SysColour;

// The arrow of the sorted column: a triangle `size` high and 2 * size - 1 wide, centred two
// arrow sizes left of the item's right edge, its left slope in shadow and its right slope lit.
// Pointing up (ascending) its base is lit; pointing down its base is in shadow.
void drawArrow(QPainter& p, const QRect& item, int size, bool ascending) {
  const QColor light = sysColour(S::BtnHighlight), shadow = sysColour(S::BtnShadow);
  const int cx = item.right() - 2 * size;
  const int top = item.top() + (item.height() - size) / 2;
  for (int row = 0; row < size; ++row) {
    const int y = ascending ? top + row : top + size - 1 - row;
    p.fillRect(cx - row, y, 1, 1, shadow);
    p.fillRect(cx + row, y, 1, 1, light);
  }
  const int baseY = ascending ? top + size - 1 : top;
  p.fillRect(cx - size + 1, baseY, 2 * size - 1, 1, ascending ? light : shadow);
}

}  // namespace

SortHeader::SortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(true);
  setSortIndicatorShown(false);
  setHighlightSections(false);
}

void SortHeader::setSortColumn(int column, bool ascending) {
  column_ = column;
  ascending_ = ascending;
  viewport()->update();
}

void SortHeader::setFlat(bool on) {
  flat_ = on;
  setProperty("tsOwnerDrawn", on);  // the skin manager leaves the flat header alone
  viewport()->update();
}

void SortHeader::setOwnFont(bool on) {
  ownFont_ = on;
  if (on) {
    QFont f("MS Sans Serif");
    f.setPointSizeF(8.5);
    setFont(f);
  }
}

void SortHeader::mousePressEvent(QMouseEvent* e) {
  pressed_ = logicalIndexAt(e->position().toPoint());
  QHeaderView::mousePressEvent(e);
  viewport()->update();
}

void SortHeader::mouseReleaseEvent(QMouseEvent* e) {
  pressed_ = -1;
  QHeaderView::mouseReleaseEvent(e);
  viewport()->update();
}

void SortHeader::paintSection(QPainter* p, const QRect& rect, int logical) const {
  if (!rect.isValid()) return;
  p->save();
  p->fillRect(rect, sysColour(S::BtnFace));
  const QString text = model() ? model()->headerData(logical, orientation()).toString() : QString();
  const QVariant align =
      model() ? model()->headerData(logical, orientation(), Qt::TextAlignmentRole) : QVariant();
  Qt::Alignment h = Qt::AlignLeft;
  if (align.isValid()) {
    const Qt::Alignment a = Qt::Alignment(align.toInt());
    if (a & Qt::AlignHCenter)
      h = Qt::AlignHCenter;
    else if (a & Qt::AlignRight)
      h = Qt::AlignRight;
  }
  QRect textRect = rect.adjusted(kArrowSize, 0, -kArrowSize, 0);
  if (logical == pressed_) textRect.translate(1, 2);
  if (logical == column_) textRect.setRight(textRect.right() - 3 * kArrowSize);
  p->setFont(font());
  p->setPen(sysColour(S::BtnText));
  const QString shown = p->fontMetrics().elidedText(text, Qt::ElideRight, textRect.width());
  p->drawText(textRect, int(h | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
  if (logical == column_) drawArrow(*p, rect, kArrowSize, ascending_);
  p->restore();
}

void SortHeader::paintEvent(QPaintEvent* e) {
  QHeaderView::paintEvent(e);
  if (!flat_) return;
  QPainter p(viewport());
  const QRect r = viewport()->rect();
  const QColor shadow = sysColour(S::BtnShadow), light = sysColour(S::BtnHighlight),
               face = sysColour(S::BtnFace);
  for (int visual = 0; visual < count(); ++visual) {
    const int logical = logicalIndex(visual);
    if (isSectionHidden(logical)) continue;
    const int x = sectionViewportPosition(logical) + sectionSize(logical) - 1;
    p.fillRect(x - 2, r.top() + 1, 2, r.height() - 2, face);
    p.fillRect(x, r.top() + 1, 1, r.height() - 2, shadow);
    p.fillRect(x + 1, r.top() + 1, 1, r.height() - 2, light);
  }
  drawRing(p, r, shadow, shadow);
}

SortList::SortList(QWidget* parent, Drops drops)
    : QTreeWidget(parent), header_(new SortHeader(this)), drops_(drops) {
  setHeader(header_);
  setRootIsDecorated(false);
  setSortingEnabled(false);
  setUniformRowHeights(true);
  header_->setOwnFont(true);
  header_->setFlat(true);
  header_->setSectionsClickable(true);
  profile_ = profilePath();
  connect(header_, &QHeaderView::sectionClicked, this, &SortList::headerClicked);
  if (drops_ == Drops::ToParent) setAcceptDrops(true);
}

SortList::~SortList() { saveWidths(); }

void SortList::setProfilePlace(const QString& path, const QString& section, const QString& entry) {
  profile_ = path;
  section_ = section;
  entry_ = entry;
}

QString SortList::widthsText() const {
  QString text;
  for (int i = 0; i < columnCount(); ++i) text += QString::number(columnWidth(i)) + ",";
  return text;
}

bool SortList::saveWidths() const {
  if (profile_.isEmpty() || columnCount() == 0) return false;
  platform::Registry profile(profile_.toStdString(), section_.toStdString());
  return profile.set(entry_.toStdString(), widthsText().toStdString()) && profile.save();
}

void SortList::headerClicked(int column) {
  const bool ascending = column == column_ ? !ascending_ : true;
  sort(column, ascending);
}

void SortList::sort(int column, bool ascending, int first, int last) {
  if (column < 0 || column >= header_->count()) return;  // a column the header lacks
  column_ = column;
  ascending_ = ascending;
  header_->setSortColumn(column, ascending);
  const int count = topLevelItemCount();
  if (last < 0 || last >= count) last = count - 1;
  if (first < 0) first = 0;
  if (first >= last) return;

  // The rows leave the list whole and come back in the new order: every column's text, the
  // icons, the check and selection states and the item data travel with them.
  QTreeWidgetItem* current = currentItem();
  std::vector<QTreeWidgetItem*> rows;
  std::vector<bool> selected;
  for (int i = 0; i < count; ++i) {
    rows.push_back(topLevelItem(i));
    selected.push_back(rows.back()->isSelected());
  }
  std::vector<QByteArray> keys;
  for (QTreeWidgetItem* r : rows) keys.push_back(r->text(column).toUtf8());
  auto less = [&](const QByteArray& a, const QByteArray& b) {
    return ascending ? a < b : b < a;  // byte order, as strcmp compares
  };
  auto swapRows = [&](int a, int b) {
    std::swap(rows[a], rows[b]);
    std::swap(keys[a], keys[b]);
    std::vector<bool>::swap(selected[a], selected[b]);
  };
  // Quicksort with the middle row as pivot; the smaller side is sorted first by recursion,
  // the larger one by the loop, so the depth stays logarithmic.
  auto quick = [&](auto&& self, int lo, int hi) -> void {
    while (lo < hi) {
      const QByteArray pivot = keys[(lo + hi) / 2];
      int i = lo, j = hi;
      while (i <= j) {
        while (less(keys[i], pivot)) ++i;
        while (less(pivot, keys[j])) --j;
        if (i <= j) {
          if (keys[i] != keys[j]) swapRows(i, j);
          ++i;
          --j;
        }
      }
      if (j - lo < hi - i) {
        if (lo < j) self(self, lo, j);
        lo = i;
      } else {
        if (i < hi) self(self, i, hi);
        hi = j;
      }
    }
  };
  quick(quick, first, last);

  const bool blocked = blockSignals(true);
  while (topLevelItemCount() > 0) takeTopLevelItem(topLevelItemCount() - 1);
  QList<QTreeWidgetItem*> list(rows.begin(), rows.end());
  addTopLevelItems(list);
  for (int i = 0; i < count; ++i) rows[i]->setSelected(selected[i]);
  if (current != nullptr) setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
  blockSignals(blocked);
}

void SortList::dragEnterEvent(QDragEnterEvent* e) {
  if (drops_ == Drops::ToParent && e->mimeData()->hasUrls())
    e->acceptProposedAction();
  else
    QTreeWidget::dragEnterEvent(e);
}

void SortList::dragMoveEvent(QDragMoveEvent* e) {
  if (drops_ == Drops::ToParent && e->mimeData()->hasUrls())
    e->acceptProposedAction();
  else
    QTreeWidget::dragMoveEvent(e);
}

void SortList::dropEvent(QDropEvent* e) {
  if (drops_ != Drops::ToParent || !e->mimeData()->hasUrls()) {
    QTreeWidget::dropEvent(e);
    return;
  }
  QStringList paths;
  for (const QUrl& u : e->mimeData()->urls())
    if (u.isLocalFile()) paths.append(u.toLocalFile());
  e->acceptProposedAction();
  if (parentWidget() != nullptr && !paths.isEmpty()) {
    FilesDroppedEvent ev(paths, this);
    QCoreApplication::sendEvent(parentWidget(), &ev);
  }
}

}  // namespace ts::ui
