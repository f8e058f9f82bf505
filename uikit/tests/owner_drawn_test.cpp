#include <gtest/gtest.h>

#include <QAbstractTableModel>
#include <QStandardItemModel>

#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <random>
#include <vector>

#include "ts/testing/scratch.hpp"
#include "ts/ui/flat_button.hpp"
#include "ts/ui/gradient_progress.hpp"
#include "ts/ui/sort_list.hpp"
#include "ui_test_support.hpp"

namespace ts::ui {
namespace {

using testing::grabbed;
using testing::showAndWait;

// --- FlatButton ---------------------------------------------------------------------------

class FlatButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    button = new FlatButton("Convert", &dialog);
    button->setGeometry(10, 10, 100, 30);
    button->setAutoDefault(false);
    other = new QPushButton("other", &dialog);
    other->setGeometry(10, 50, 60, 24);
    dialog.resize(200, 100);
    showAndWait(&dialog);
  }
  QDialog dialog;
  FlatButton* button = nullptr;
  QPushButton* other = nullptr;
};

QColor sys(SysColour c) { return sysColour(c); }

TEST_F(FlatButtonTest, FramesOfEachStateAndTheHotBackground) {
  const int r = 99, b = 29;
  QImage img = grabbed(button);
  EXPECT_PIXEL(img, 0, 0, BtnFace) << "flat and not hot: no border";
  EXPECT_PIXEL(img, r, b, BtnFace);

  button->setHot(true);
  img = grabbed(button);
  EXPECT_PIXEL(img, 0, 0, BtnHighlight) << "thin raised border while hot";
  EXPECT_PIXEL(img, r, b, BtnShadow);
  EXPECT_EQ(img.pixelColor(5, 5), FlatButton::hotColour(sys(SysColour::BtnFace)));
  EXPECT_EQ(FlatButton::hotColour(QColor(200, 200, 200)), QColor(220, 220, 220));
  EXPECT_EQ(FlatButton::hotColour(QColor(250, 240, 10)), QColor(255, 255, 30))
      << "a channel near white stops at 255 instead of carrying";

  button->setDown(true);
  img = grabbed(button);
  EXPECT_PIXEL(img, 0, 0, BtnShadow) << "pressed, flat: thin sunken border";
  EXPECT_PIXEL(img, r, b, BtnHighlight);
  button->setDown(false);
  button->setHot(false);
  button->setBorderOnHover(false);
  button->setHot(true);
  img = grabbed(button);
  EXPECT_EQ(img.pixelColor(0, 0), FlatButton::hotColour(sys(SysColour::BtnFace)))
      << "no border on hover, only the hot background";
  button->setHot(false);

  button->setFlat(false);
  img = grabbed(button);
  EXPECT_PIXEL(img, 0, 0, BtnHighlight) << "the standard raised border";
  EXPECT_PIXEL(img, r, b, DkShadow3D);
  EXPECT_PIXEL(img, 1, 1, Light3D);
  EXPECT_PIXEL(img, r - 1, b - 1, BtnShadow);
  button->setDown(true);
  img = grabbed(button);
  EXPECT_PIXEL(img, 0, 0, BtnShadow) << "pressed, not flat: a one-pixel shadow frame";
  EXPECT_PIXEL(img, r, b, BtnShadow);
  EXPECT_EQ(img.pixelColor(1, 1), FlatButton::hotColour(sys(SysColour::BtnFace)));
  button->setDown(false);

  // Focused: the default frame, and the rest one pixel in.
  button->setFlat(true);
  button->setFocus();
  img = grabbed(button);
  EXPECT_PIXEL(img, 0, 0, BtnHighlight);
  EXPECT_PIXEL(img, r, b, BtnShadow);
  EXPECT_PIXEL(img, 1, 1, BtnFace);
  button->setDefaultFrame(false);
  img = grabbed(button);
  EXPECT_PIXEL(img, 0, 0, BtnFace);
}

TEST_F(FlatButtonTest, CheckedButtonsStaySunkenHotOrNot) {
  button->setCheckMode(true);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(button->isChecked()) << "a click toggles";
  other->setFocus();  // no default frame in the way
  for (bool hot : {false, true}) {
    button->setHot(hot);
    const QImage img = grabbed(button);
    EXPECT_PIXEL(img, 0, 0, DkShadow3D) << (hot ? "hot" : "not hot");
    EXPECT_PIXEL(img, 99, 29, Light3D);
  }
  button->setFlat(false);
  EXPECT_PIXEL(grabbed(button), 0, 0, DkShadow3D) << "not flat as well";
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(button->isChecked());
  other->setFocus();
  button->setHot(false);
  EXPECT_PIXEL(grabbed(button), 0, 0, BtnFace) << "not checked, not flat in check mode: no border";
}

// The bounding box of the pixels of colour `c`.
QRect inkOf(const QImage& img, const QColor& c) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixelColor(x, y) == c) box |= QRect(x, y, 1, 1);
  return box;
}

TEST_F(FlatButtonTest, PressedIconAndCaptionMoveOneRightAndOneDown) {
  QPixmap square(8, 8);
  square.fill(QColor(255, 0, 0));
  button->setIcons(QIcon(square), QIcon(square));
  button->setTextColours(QColor(0, 0, 255), QColor(0, 0, 255));
  const QImage up = grabbed(button);
  button->setDown(true);
  const QImage down = grabbed(button);
  const QRect iconUp = inkOf(up, QColor(255, 0, 0)), iconDown = inkOf(down, QColor(255, 0, 0));
  ASSERT_EQ(iconUp.size(), QSize(8, 8));
  EXPECT_EQ(iconUp.topLeft(), QPoint(3, 11)) << "3 pixels from the left, vertically centred";
  EXPECT_EQ(iconDown.topLeft(), iconUp.topLeft() + QPoint(1, 1));
  const QRect textUp = inkOf(up, QColor(0, 0, 255)), textDown = inkOf(down, QColor(0, 0, 255));
  ASSERT_TRUE(textUp.isValid());
  EXPECT_GT(textUp.left(), iconUp.right() + 3) << "the caption starts after the icon";
  EXPECT_EQ(textDown.topLeft(), textUp.topLeft() + QPoint(1, 1));
}

TEST_F(FlatButtonTest, TransparentButtonsShowTheParentAndIconsCanSitAbove) {
  dialog.setAutoFillBackground(true);
  QPalette pal = dialog.palette();
  pal.setColor(QPalette::Window, QColor(10, 120, 30));
  dialog.setPalette(pal);
  button->setTransparent(true);
  QImage img = grabbed(button);
  EXPECT_EQ(img.pixelColor(2, 2), QColor(10, 120, 30)) << "the parent's pixels under the button";
  button->setTransparent(false);
  EXPECT_PIXEL(grabbed(button), 2, 2, BtnFace);

  QPixmap square(8, 8);
  square.fill(QColor(255, 0, 0));
  button->setIcons(QIcon(square), QIcon(square));
  button->setIconPlacement(FlatButton::IconAbove);
  button->setTextColours(QColor(0, 0, 255), QColor(0, 0, 255));
  button->resize(100, 40);
  img = grabbed(button);
  const QRect icon = inkOf(img, QColor(255, 0, 0)), text = inkOf(img, QColor(0, 0, 255));
  EXPECT_EQ(icon.topLeft(), QPoint(46, 3)) << "centred, 3 pixels from the top";
  EXPECT_GT(text.top(), icon.bottom()) << "the caption below the icon";
  button->setText("");
  img = grabbed(button);
  EXPECT_EQ(inkOf(img, QColor(255, 0, 0)).topLeft(), QPoint(46, 16)) << "no caption: centred";
}

TEST_F(FlatButtonTest, HotTrackingAndDoubleClicks) {
  QApplication::setActiveWindow(&dialog);
  QTest::mouseMove(button, QPoint(20, 10));
  EXPECT_TRUE(button->isHot());
  QTest::mouseMove(other, QPoint(5, 5));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(button, &leave);
  EXPECT_FALSE(button->isHot());
  button->setHot(true);
  button->setFocus();
  other->setFocus();
  EXPECT_FALSE(button->isHot()) << "losing the focus clears hot";
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
  QTest::mouseDClick(button, Qt::LeftButton);
  QTest::mouseRelease(button, Qt::LeftButton);
  EXPECT_GE(clicks, 1) << "a double click presses the button";
  button->setFlat(false);
  button->setHot(false);
  QTest::mouseMove(button, QPoint(20, 12));
  EXPECT_FALSE(button->isHot()) << "only flat buttons track the mouse";
}

// --- GradientProgress -------------------------------------------------------------------

QImage paintedBar(const GradientProgress& bar, int width, int height = 10) {
  QImage img(width, height, QImage::Format_RGB32);
  img.fill(Qt::green);
  QPainter p(&img);
  bar.paintBar(p, img.rect());
  return img;
}

TEST(GradientProgress, BandsRunFromStartToEndAndStopAfterTheFilledWidth) {
  GradientProgress bar;
  EXPECT_EQ(bar.bandCount(), 255) << "red to blue: 255 steps in the widest channel";
  EXPECT_EQ(bar.bandColour(0), QColor(255, 0, 0));
  EXPECT_EQ(bar.bandColour(100), QColor(155, 0, 100));
  bar.setBounds(0, 100);
  bar.setPosition(50);
  // 510 pixels: two per band; half of them filled.
  QImage img = paintedBar(bar, 510);
  for (int x : {0, 1, 2, 200, 253, 254})
    EXPECT_EQ(img.pixelColor(x, 5), QColor(255 - x / 2, 0, x / 2)) << "x " << x;
  EXPECT_EQ(img.pixelColor(255, 5), bar.bandColour(127)) << "the band that passes the width ends";
  EXPECT_EQ(img.pixelColor(256, 5), sysColour(SysColour::BtnFace)) << "the background after it";
  EXPECT_EQ(img.pixelColor(509, 5), sysColour(SysColour::BtnFace));
  bar.setBackground(QColor(1, 2, 3));
  EXPECT_EQ(paintedBar(bar, 510).pixelColor(300, 5), QColor(1, 2, 3));

  // Narrower than the number of bands: the band that passes the filled width ends it.
  img = paintedBar(bar, 100);
  // Band 127 spans [49, 50): the first to reach the filled width of 50.
  EXPECT_EQ(img.pixelColor(49, 5), bar.bandColour(127));
  EXPECT_EQ(img.pixelColor(50, 5), QColor(1, 2, 3));

  // Equal colours: one band of that colour.
  bar.setColours(QColor(9, 9, 9), QColor(9, 9, 9));
  EXPECT_EQ(bar.bandCount(), 1);
  img = paintedBar(bar, 80);
  EXPECT_EQ(img.pixelColor(0, 0), QColor(9, 9, 9));
  EXPECT_EQ(img.pixelColor(79, 9), QColor(9, 9, 9)) << "the band runs to its end";
}

TEST(GradientProgress, BoundsPercentAndTheForwardedValue) {
  GradientProgress bar;
  bar.setBounds(0, 200);
  EXPECT_EQ(bar.position(), 0);
  bar.setStep(25);
  bar.stepIt();
  bar.stepIt();
  EXPECT_EQ(bar.position(), 50);
  EXPECT_EQ(bar.value(), 50) << "the progress bar's own value follows";
  EXPECT_EQ(bar.percentText(), "25%");
  bar.setPosition(200);
  QImage img = paintedBar(bar, 60);
  EXPECT_EQ(img.pixelColor(0, 0), sysColour(SysColour::BtnFace)) << "at the upper bound: plain";
  EXPECT_EQ(img.pixelColor(59, 9), sysColour(SysColour::BtnFace));
  bar.setPosition(0);
  EXPECT_EQ(paintedBar(bar, 60).pixelColor(0, 0), sysColour(SysColour::BtnFace));
  bar.setBounds(50, 150);  // also moves the position to the lower bound
  EXPECT_EQ(bar.position(), 50);
  bar.setPosition(100);
  EXPECT_EQ(bar.percentText(), "50%") << "measured from the lower bound";
  EXPECT_EQ(bar.filledWidth(200), 100);
  bar.setShowPercent(true);
  bar.setTextColour(QColor(0, 255, 0));
  img = paintedBar(bar, 200, 20);
  EXPECT_TRUE(inkOf(img, QColor(0, 255, 0)).isValid()) << "the percentage is drawn";
  EXPECT_NEAR(inkOf(img, QColor(0, 255, 0)).center().x(), 100, 10) << "centred";
}

// --- SortList --------------------------------------------------------------------------

// The sort as the list defines it, literally: recursive quicksort in place, the middle row's
// text as pivot, rows swapped only when their texts differ.
void referenceSort(std::vector<std::pair<std::string, int>>& rows, bool asc, int lo, int hi) {
  if (lo >= hi) return;
  auto below = [&](const std::string& a, const std::string& b) { return asc ? a < b : a > b; };
  const std::string pivot = rows[(lo + hi) / 2].first;
  int i = lo, j = hi;
  do {
    while (below(rows[i].first, pivot)) ++i;
    while (below(pivot, rows[j].first)) --j;
    if (i <= j) {
      if (rows[i].first != rows[j].first) std::swap(rows[i], rows[j]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (lo < j) referenceSort(rows, asc, lo, j);
  if (i < hi) referenceSort(rows, asc, i, hi);
}

std::vector<int> rowIds(const SortList& list) {
  std::vector<int> ids;
  for (int i = 0; i < list.topLevelItemCount(); ++i)
    ids.push_back(list.topLevelItem(i)->data(0, Qt::UserRole).toInt());
  return ids;
}

SortList* filledList(QWidget* parent, const std::vector<std::string>& texts) {
  auto* list = new SortList(parent);
  list->setColumnCount(2);
  list->setHeaderLabels({"Name", "Id"});
  for (std::size_t i = 0; i < texts.size(); ++i) {
    auto* item = new QTreeWidgetItem(list, {QString::fromStdString(texts[i]), QString::number(i)});
    item->setData(0, Qt::UserRole, static_cast<int>(i));
  }
  return list;
}

class SortListTest : public ts::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir_.string()));
  }
  void TearDown() override {
    qunsetenv("XDG_CONFIG_HOME");
    ScratchTest::TearDown();
  }
};

TEST_F(SortListTest, EqualsTheLiteralQuicksortOnRandomAndAdversarialRows) {
  std::mt19937 rng(7);
  const char* alphabet[] = {"a", "b", "B", "ă", "đ", "", "aa", "ab"};
  for (int round = 0; round < 300; ++round) {
    const int n = static_cast<int>(rng() % 40);
    std::vector<std::string> texts;
    for (int i = 0; i < n; ++i) {
      std::string t;
      for (int k = static_cast<int>(rng() % 3); k >= 0; --k) t += alphabet[rng() % 8];
      texts.push_back(t);
    }
    if (round % 10 == 0) texts.assign(n, "same");                // all equal
    if (round % 10 == 1) std::sort(texts.begin(), texts.end());  // already sorted
    const bool asc = rng() % 2;
    int first = n > 0 ? static_cast<int>(rng() % n) : 0, last = -1;
    if (round % 3 == 0) first = 0;
    if (round % 4 == 0 && n > 0) last = first + static_cast<int>(rng() % (n - first));
    std::vector<std::pair<std::string, int>> ref;
    for (int i = 0; i < n; ++i) ref.emplace_back(texts[i], i);
    referenceSort(ref, asc, first, last < 0 ? n - 1 : last);
    std::vector<int> want;
    for (auto& r : ref) want.push_back(r.second);
    SortList* list = filledList(nullptr, texts);
    list->setProfilePlace(QString(), "Settings", "Control");
    list->sort(0, asc, first, last);
    EXPECT_EQ(rowIds(*list), want) << "round " << round;
    delete list;
  }
}

TEST_F(SortListTest, RowsMoveWholeAndClicksFlipOrRestart) {
  QDialog dialog;
  SortList* list = filledList(&dialog, {"pear", "apple", "fig", "Banana"});
  list->setGeometry(0, 0, 300, 200);
  QTreeWidgetItem* fig = list->topLevelItem(2);
  fig->setCheckState(1, Qt::Checked);
  fig->setIcon(0, QIcon(QPixmap(4, 4)));
  fig->setSelected(true);
  showAndWait(&dialog);

  auto names = [&] {
    QStringList n;
    for (int i = 0; i < list->topLevelItemCount(); ++i) n << list->topLevelItem(i)->text(0);
    return n.join(",");
  };
  auto click = [&](int column) {
    QHeaderView* h = list->header();
    const QPoint at(h->sectionViewportPosition(column) + 5, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
  };
  click(0);
  EXPECT_EQ(names(), "Banana,apple,fig,pear") << "code order: capitals first";
  EXPECT_EQ(list->sortedColumn(), 0);
  EXPECT_TRUE(list->ascending());
  EXPECT_EQ(list->sortHeader()->sortColumn(), 0);
  const int at = names().split(",").indexOf("fig");
  QTreeWidgetItem* moved = list->topLevelItem(at);
  EXPECT_EQ(moved->text(1), "2") << "every column travels with the row";
  EXPECT_EQ(moved->checkState(1), Qt::Checked);
  EXPECT_FALSE(moved->icon(0).isNull());
  EXPECT_TRUE(moved->isSelected());
  EXPECT_EQ(moved->data(0, Qt::UserRole).toInt(), 2);

  const QString first = names();
  click(0);
  EXPECT_EQ(names(), "pear,fig,apple,Banana");
  EXPECT_FALSE(list->ascending());
  click(0);
  EXPECT_EQ(names(), first) << "the same column twice returns to the first order";
  click(0);
  click(1);
  EXPECT_TRUE(list->ascending()) << "another column always starts ascending";
  EXPECT_EQ(list->sortedColumn(), 1);
  list->sort(7, true);
  EXPECT_EQ(list->sortedColumn(), 1) << "a column beyond the header sorts nothing";
}

TEST_F(SortListTest, ArrowOnTheSortedColumnPointsTheSortOrder) {
  QDialog dialog;
  SortList* list = filledList(&dialog, {"b", "a"});
  list->setGeometry(0, 0, 300, 120);
  list->header()->resizeSection(0, 120);
  showAndWait(&dialog);
  auto arrowInk = [&](int column) {
    const QImage img = grabbed(list->header()->viewport());
    const int right =
        list->header()->sectionViewportPosition(column) + list->header()->sectionSize(column) - 1;
    // Inside the flat frame's top and bottom lines.
    const QRect zone(right - 3 * SortHeader::kArrowSize, 1, 2 * SortHeader::kArrowSize,
                     img.height() - 2);
    int light = 0, shadow = 0;
    for (int y = zone.top(); y <= zone.bottom(); ++y)
      for (int x = zone.left(); x <= zone.right(); ++x) {
        if (img.pixelColor(x, y) == sysColour(SysColour::BtnHighlight)) ++light;
        if (img.pixelColor(x, y) == sysColour(SysColour::BtnShadow)) ++shadow;
      }
    return std::pair(light, shadow);
  };
  EXPECT_EQ(arrowInk(0), std::pair(0, 0)) << "no arrow before sorting";
  list->sort(0, true);
  auto up = arrowInk(0);
  EXPECT_GT(up.first, 3);
  EXPECT_GT(up.second, 3);
  EXPECT_EQ(arrowInk(1), std::pair(0, 0)) << "only on the sorted column";
  // Ascending points up: its base (the lit row) is at the bottom of the triangle.
  const QImage img = grabbed(list->header()->viewport());
  const int right = list->header()->sectionSize(0) - 1;
  int litRow = -1;
  for (int y = 0; y < img.height(); ++y) {
    int n = 0;
    for (int x = right - 3 * SortHeader::kArrowSize; x < right - SortHeader::kArrowSize; ++x)
      n += img.pixelColor(x, y) == sysColour(SysColour::BtnHighlight);
    if (n >= SortHeader::kArrowSize) litRow = y;
  }
  EXPECT_GT(litRow, img.height() / 2) << "the lit base is below the middle";
  list->sort(0, false);
  EXPECT_GT(arrowInk(0).second, SortHeader::kArrowSize) << "descending: the shaded base on top";
}

TEST_F(SortListTest, ColumnWidthsLandInTheProfileWhenTheListIsDestroyed) {
  auto* list = filledList(nullptr, {"x"});
  list->setColumnCount(3);
  list->setColumnWidth(0, 120);
  list->setColumnWidth(1, 45);
  list->setColumnWidth(2, 70);
  EXPECT_EQ(list->widthsText(), "120,45,70,");
  delete list;
  const std::string ini = ts::testing::readFile(dir_ / "tessaro" / "uikit-tests.ini");
  EXPECT_NE(ini.find("[Settings]\nControl=120,45,70,\n"), std::string::npos) << ini;
  // Another list later replaces the entry and keeps the rest of the file.
  ts::testing::writeFile(dir_ / "tessaro" / "uikit-tests.ini",
                         "[Other]\nkeep=1\n[Settings]\nControl=1,\n");
  list = filledList(nullptr, {"y"});
  list->setColumnWidth(0, 33);
  list->setColumnWidth(1, 44);
  delete list;
  EXPECT_EQ(ts::testing::readFile(dir_ / "tessaro" / "uikit-tests.ini"),
            "[Other]\nkeep=1\n[Settings]\nControl=33,44,\n");
}

// A table model with a value per cell computed on demand: no storage, any size.
class CountingModel : public QAbstractTableModel {
 public:
  explicit CountingModel(int rows) : rows_(rows) {}
  int rowCount(const QModelIndex& = {}) const override { return rows_; }
  int columnCount(const QModelIndex& = {}) const override { return 2; }
  QVariant data(const QModelIndex& i, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return i.column() == 0 ? QString::number((static_cast<long long>(i.row()) * 7919) % 1000)
                           : QString::number(i.row());
  }

 private:
  int rows_;
};

// The model-based form sorts as the item list does, through one rule, and lists a table of a
// million rows without an item per cell.
TEST_F(SortListTest, TheModelFormSortsByTheSameRule) {
  QStandardItemModel model;
  const std::vector<std::string> texts = {"b", "a", "B", "ă", "a", "", "ab", "b", "a"};
  auto* list = filledList(nullptr, texts);
  list->setProfilePlace(QString(), "Settings", "Control");
  for (std::size_t i = 0; i < texts.size(); ++i)
    model.appendRow({new QStandardItem(QString::fromStdString(texts[i])),
                     new QStandardItem(QString::number(i))});
  SortTable table;
  table.setProfilePlace(QString(), "Settings", "Control");
  table.setModel(&model);
  for (bool asc : {true, false, true}) {
    list->sort(0, asc);
    table.sort(0, asc);
    std::vector<int> shown;
    for (int r = 0; r < table.sortModel()->rowCount(); ++r)
      shown.push_back(table.sortModel()->index(r, 1).data().toInt());
    EXPECT_EQ(shown, rowIds(*list)) << asc;
    EXPECT_EQ(table.sortHeader()->sortColumn(), 0);
    EXPECT_EQ(table.sortHeader()->ascending(), asc);
  }
  delete list;
  // A header click flips the order of the sorted column and starts another ascending.
  table.sort(1, true);
  emit table.sortHeader()->sectionClicked(1);
  EXPECT_FALSE(table.ascending());
  emit table.sortHeader()->sectionClicked(0);
  EXPECT_TRUE(table.ascending());
  EXPECT_EQ(table.sortedColumn(), 0);
  // The source's rows changing gives back its own order.
  model.appendRow({new QStandardItem("z"), new QStandardItem("9")});
  EXPECT_EQ(table.sortModel()->index(0, 1).data().toString(), "0");

  CountingModel big(1000000);
  SortTable large;
  large.setModel(&big);
  large.resize(400, 300);
  large.sort(0, true);
  EXPECT_EQ(large.sortModel()->rowCount(), 1000000);
  EXPECT_EQ(large.sortModel()->index(0, 0).data().toString(), "0");
  EXPECT_EQ(large.sortModel()->index(999999, 0).data().toString(), "999");  // byte order
  large.setColumnWidth(0, 77);
  EXPECT_TRUE(large.widthsText().startsWith("77,"));
}

class DropWatcher : public QWidget {
 public:
  bool event(QEvent* e) override {
    if (e->type() == FilesDroppedEvent::kType) {
      auto* d = static_cast<FilesDroppedEvent*>(e);
      paths = d->paths();
      from = d->list();
      return true;
    }
    return QWidget::event(e);
  }
  QStringList paths;
  QWidget* from = nullptr;
};

TEST_F(SortListTest, DroppedFilesGoToTheParentOnlyInTheWebWay) {
  for (SortList::Drops mode : {SortList::Drops::ToParent, SortList::Drops::Default}) {
    DropWatcher parent;
    auto* list = new SortList(&parent, mode);
    list->setColumnCount(1);
    list->setProfilePlace(QString(), "Settings", "Control");
    list->setGeometry(0, 0, 200, 100);
    parent.resize(200, 100);
    showAndWait(&parent);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/srv/site/index.htm"), QUrl::fromLocalFile("/srv/a b.htm")});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &drop);
    if (mode == SortList::Drops::ToParent) {
      EXPECT_EQ(parent.paths, QStringList({"/srv/site/index.htm", "/srv/a b.htm"}));
      EXPECT_EQ(parent.from, list);
    } else {
      EXPECT_TRUE(parent.paths.isEmpty()) << "a list without ToParent leaves drops alone";
    }
  }
}

}  // namespace
}  // namespace ts::ui
