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

std::vector<int> sortedRowOrder(std::vector<QByteArray> keys, bool ascending, int first, int last) {
  const int count = static_cast<int>(keys.size());
  std::vector<int> rows(keys.size());
  for (int i = 0; i < count; ++i) rows[static_cast<std::size_t>(i)] = i;
  if (last < 0 || last >= count) last = count - 1;
  if (first < 0) first = 0;
  if (first >= last) return rows;
  auto less = [ascending](const QByteArray& a, const QByteArray& b) {
    return ascending ? a < b : b < a;  // byte order, as strcmp compares
  };
  auto swapRows = [&](int a, int b) {
    std::swap(rows[static_cast<std::size_t>(a)], rows[static_cast<std::size_t>(b)]);
    std::swap(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
  };
  // Quicksort with the middle row as pivot; the smaller side is sorted first by recursion,
  // the larger one by the loop, so the depth stays logarithmic.
  auto quick = [&](auto&& self, int lo, int hi) -> void {
    while (lo < hi) {
      const QByteArray pivot = keys[static_cast<std::size_t>((lo + hi) / 2)];
      int i = lo, j = hi;
      while (i <= j) {
        while (less(keys[static_cast<std::size_t>(i)], pivot)) ++i;
        while (less(pivot, keys[static_cast<std::size_t>(j)])) --j;
        if (i <= j) {
          if (keys[static_cast<std::size_t>(i)] != keys[static_cast<std::size_t>(j)])
            swapRows(i, j);
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
  return rows;
}

ColumnWidthStore::ColumnWidthStore() : profile_(profilePath()) {}

void ColumnWidthStore::setPlace(const QString& path, const QString& section, const QString& entry) {
  profile_ = path;
  section_ = section;
  entry_ = entry;
}

QString ColumnWidthStore::text(const QHeaderView* header) {
  QString text;
  for (int i = 0; i < header->count(); ++i) text += QString::number(header->sectionSize(i)) + ",";
  return text;
}

bool ColumnWidthStore::save(const QHeaderView* header) const {
  if (profile_.isEmpty() || header->count() == 0) return false;
  platform::Registry profile(profile_.toStdString(), section_.toStdString());
  return profile.set(entry_.toStdString(), text(header).toStdString()) && profile.save();
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
  connect(header_, &QHeaderView::sectionClicked, this, &SortList::headerClicked);
  if (drops_ == Drops::ToParent) setAcceptDrops(true);
}

SortList::~SortList() { saveWidths(); }

QString SortList::widthsText() const { return ColumnWidthStore::text(header_); }

bool SortList::saveWidths() const {
  if (columnCount() == 0) return false;
  return widths_.save(header_);
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
  const std::vector<int> order = sortedRowOrder(std::move(keys), ascending, first, last);
  std::vector<QTreeWidgetItem*> sortedRows;
  std::vector<bool> sortedSelected;
  for (int from : order) {
    sortedRows.push_back(rows[static_cast<std::size_t>(from)]);
    sortedSelected.push_back(selected[static_cast<std::size_t>(from)]);
  }
  rows.swap(sortedRows);
  selected.swap(sortedSelected);

  const bool blocked = blockSignals(true);
  while (topLevelItemCount() > 0) takeTopLevelItem(topLevelItemCount() - 1);
  QList<QTreeWidgetItem*> list(rows.begin(), rows.end());
  addTopLevelItems(list);
  for (int i = 0; i < count; ++i) rows[i]->setSelected(selected[i]);
  if (current != nullptr) setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
  blockSignals(blocked);
}

// --- The model-based form -------------------------------------------------------------

SortProxyModel::SortProxyModel(QObject* parent) : QAbstractProxyModel(parent) {}

void SortProxyModel::setSourceModel(QAbstractItemModel* source) {
  beginResetModel();
  if (sourceModel() != nullptr) disconnect(sourceModel(), nullptr, this, nullptr);
  QAbstractProxyModel::setSourceModel(source);
  order_.clear();
  place_.clear();
  if (source != nullptr) {
    // Any change of the rows gives back the source's order; changed values are passed on.
    const auto reset = [this] { resetOrder(); };
    connect(source, &QAbstractItemModel::modelReset, this, reset);
    connect(source, &QAbstractItemModel::layoutChanged, this, reset);
    connect(source, &QAbstractItemModel::rowsInserted, this, reset);
    connect(source, &QAbstractItemModel::rowsRemoved, this, reset);
    connect(source, &QAbstractItemModel::rowsMoved, this, reset);
    connect(source, &QAbstractItemModel::columnsInserted, this, reset);
    connect(source, &QAbstractItemModel::columnsRemoved, this, reset);
    connect(source, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& tl, const QModelIndex& br) {
              if (order_.empty()) {
                emit dataChanged(mapFromSource(tl), mapFromSource(br));
              } else {
                emit dataChanged(index(0, tl.column()), index(rowCount() - 1, br.column()));
              }
            });
    connect(source, &QAbstractItemModel::headerDataChanged, this,
            &QAbstractItemModel::headerDataChanged);
  }
  endResetModel();
}

void SortProxyModel::resetOrder() {
  beginResetModel();
  order_.clear();
  place_.clear();
  endResetModel();
}

void SortProxyModel::sortBy(int column, bool ascending) {
  QAbstractItemModel* source = sourceModel();
  if (source == nullptr || column < 0 || column >= source->columnCount()) return;
  const int rows = source->rowCount();
  std::vector<QByteArray> keys;
  keys.reserve(static_cast<std::size_t>(rows));
  // Keys in the present order, so that sorting again starts from what is shown.
  for (int r = 0; r < rows; ++r)
    keys.push_back(mapToSource(index(r, column)).data(Qt::DisplayRole).toString().toUtf8());
  const std::vector<int> moved = sortedRowOrder(std::move(keys), ascending);
  emit layoutAboutToBeChanged();
  const QModelIndexList before = persistentIndexList();
  QModelIndexList sources;
  for (const QModelIndex& p : before) sources.append(mapToSource(p));
  std::vector<int> order(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    const int from = moved[static_cast<std::size_t>(r)];
    order[static_cast<std::size_t>(r)] =
        order_.empty() ? from : order_[static_cast<std::size_t>(from)];
  }
  order_.swap(order);
  place_.assign(static_cast<std::size_t>(rows), 0);
  for (int r = 0; r < rows; ++r)
    place_[static_cast<std::size_t>(order_[static_cast<std::size_t>(r)])] = r;
  QModelIndexList after;
  for (const QModelIndex& s : sources) after.append(mapFromSource(s));
  changePersistentIndexList(before, after);
  emit layoutChanged();
}

QModelIndex SortProxyModel::mapToSource(const QModelIndex& proxy) const {
  if (!proxy.isValid() || sourceModel() == nullptr) return {};
  const int row = order_.empty() ? proxy.row() : order_[static_cast<std::size_t>(proxy.row())];
  return sourceModel()->index(row, proxy.column());
}

QModelIndex SortProxyModel::mapFromSource(const QModelIndex& source) const {
  if (!source.isValid()) return {};
  const int row = place_.empty() ? source.row() : place_[static_cast<std::size_t>(source.row())];
  return index(row, source.column());
}

QModelIndex SortProxyModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
    return {};
  return createIndex(row, column);
}

QModelIndex SortProxyModel::parent(const QModelIndex&) const { return {}; }

int SortProxyModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || sourceModel() == nullptr ? 0 : sourceModel()->rowCount();
}

int SortProxyModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || sourceModel() == nullptr ? 0 : sourceModel()->columnCount();
}

SortTable::SortTable(QWidget* parent)
    : QTableView(parent), header_(new SortHeader(this)), proxy_(new SortProxyModel(this)) {
  setHorizontalHeader(header_);
  header_->setOwnFont(true);
  header_->setFlat(true);
  header_->setSectionsClickable(true);
  verticalHeader()->hide();
  setShowGrid(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSortingEnabled(false);
  setWordWrap(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(0);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 1);  // as the item list
  QTableView::setModel(proxy_);
  connect(header_, &QHeaderView::sectionClicked, this,
          [this](int column) { sort(column, column == column_ ? !ascending_ : true); });
}

SortTable::~SortTable() { saveWidths(); }

void SortTable::setModel(QAbstractItemModel* model) {
  proxy_->setSourceModel(model);
  column_ = -1;
  header_->setSortColumn(-1, true);
}

void SortTable::sort(int column, bool ascending) {
  if (column < 0 || column >= header_->count()) return;
  column_ = column;
  ascending_ = ascending;
  header_->setSortColumn(column, ascending);
  proxy_->sortBy(column, ascending);
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
