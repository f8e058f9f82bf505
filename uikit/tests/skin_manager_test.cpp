#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

#include "ts/ui/flat_button.hpp"
#include "ts/ui/skin_manager.hpp"
#include "ts/ui/sort_list.hpp"
#include "ui_test_support.hpp"

namespace ts::ui {
namespace {

using testing::grabbed;
using testing::showAndWait;

SkinManager& skins() { return SkinManager::instance(); }

// Every test starts and ends with the manager removed and the real cursor.
class SkinTest : public ::testing::Test {
 protected:
  void TearDown() override {
    skins().setCursorSource({}, {});
    skins().remove();
    dialog.reset();
    QApplication::processEvents();
  }
  // A fake cursor over the centre of `w` (nullptr: over no window).
  void cursorOver(QWidget* w) {
    cursor = w != nullptr ? w->mapToGlobal(w->rect().center()) : QPoint(-5000, -5000);
  }
  void useFakeCursor() {
    skins().setCursorSource([this] { return cursor; }, [this] { return captured; });
  }
  QPoint cursor{-5000, -5000};
  bool captured = false;
  std::unique_ptr<QDialog> dialog = std::make_unique<QDialog>();
};

TEST_F(SkinTest, KindTableSkinsTheStandardControlsAndLeavesTheRestAlone) {
  QWidget* p = dialog.get();
  auto* flatPush = new QPushButton("flat", p);
  flatPush->setFlat(true);
  auto* frameless = new QLineEdit(p);
  frameless->setFrame(false);
  auto* popupDate = new QDateTimeEdit(p);
  popupDate->setCalendarPopup(true);
  auto* noFrameList = new QListWidget(p);
  noFrameList->setFrameShape(QFrame::NoFrame);
  auto* tree = new QTreeWidget(p);
  tree->header()->setSectionsClickable(true);
  auto* docTabs = new QTabWidget(p);
  docTabs->setDocumentMode(true);
  auto* flatBar = new QToolBar(p);
  flatBar->addAction("a");
  auto* raisedBar = new QToolBar(p);
  auto* raised = new QToolButton(raisedBar);
  raised->setAutoRaise(false);
  raisedBar->addWidget(raised);
  raised->setAutoRaise(false);  // the tool bar makes its buttons raise themselves when added
  auto* spin = new QSpinBox(p);
  auto* sortList = new SortList(p);
  struct Case {
    QWidget* w;
    SkinKind kind;
    const char* what;
  } cases[] = {
      {new QPushButton("ok", p), SkinKind::PushButton, "push button"},
      {flatPush, SkinKind::None, "flat push button"},
      {new FlatButton("f", p), SkinKind::None, "FlatButton (owner-drawn)"},
      {new QGroupBox("g", p), SkinKind::None, "group box"},
      {new QCheckBox("c", p), SkinKind::CheckBox, "check box"},
      {new QRadioButton("r", p), SkinKind::RadioButton, "radio button"},
      {new QComboBox(p), SkinKind::ComboBox, "combo box"},
      {new QLineEdit(p), SkinKind::PlainFrame, "framed edit"},
      {frameless, SkinKind::None, "frameless edit"},
      {spin, SkinKind::UpDownEdit, "spin box"},
      {spin->findChild<QLineEdit*>(), SkinKind::None, "the edit inside a spin box"},
      {new QDateTimeEdit(p), SkinKind::UpDownEdit, "date edit"},
      {popupDate, SkinKind::ComboBox, "date edit with a calendar pop-up"},
      {new QListWidget(p), SkinKind::PlainFrame, "list"},
      {noFrameList, SkinKind::None, "frameless list"},
      {new QTextEdit(p), SkinKind::PlainFrame, "text edit"},
      {tree->header(), SkinKind::Header, "header with clickable sections"},
      {sortList->header(), SkinKind::None, "the flat SortHeader (owner-drawn items)"},
      {new QSlider(p), SkinKind::Trackbar, "slider"},
      {new QScrollBar(p), SkinKind::ScrollBar, "scroll bar of its own"},
      {new QTabWidget(p), SkinKind::TabControl, "tab widget"},
      {docTabs, SkinKind::None, "tab widget in document mode"},
      {flatBar, SkinKind::None, "tool bar with raising buttons"},
      {raisedBar, SkinKind::Toolbar, "tool bar with raised buttons"},
      {new QCalendarWidget(p), SkinKind::PlainFrame, "calendar"},
      {new QLabel("l", p), SkinKind::None, "label"},
      {dialog.get(), SkinKind::None, "the dialog window itself"},
  };
  for (const Case& c : cases) EXPECT_EQ(skinKindOf(c.w), c.kind) << c.what;
  // A frameless view's own scroll bar is not a control of its own.
  EXPECT_EQ(skinKindOf(noFrameList->verticalScrollBar()), SkinKind::None);
  EXPECT_EQ(skinKindOf(tree->verticalScrollBar()), SkinKind::ScrollBar);
}

TEST_F(SkinTest, DialogModeSkinsChildrenWhenTheDialogIsFirstShown) {
  skins().install(nullptr, SkinManager::kDialogMode);
  auto* layout = new QVBoxLayout(dialog.get());
  auto* edit = new QLineEdit;
  auto* button = new QPushButton("ok");
  auto* flat = new FlatButton("flat");
  auto* group = new QGroupBox("group");
  auto* list = new QListWidget;
  auto* tool = new QWidget(dialog.get(), Qt::Tool);
  auto* toolEdit = new QLineEdit(tool);
  for (QWidget* w : std::initializer_list<QWidget*>{edit, button, flat, group, list})
    layout->addWidget(w);
  EXPECT_FALSE(skins().isSkinned(edit)) << "nothing before the dialog initialises";
  showAndWait(dialog.get());
  EXPECT_TRUE(skins().isSkinned(edit));
  EXPECT_TRUE(skins().isSkinned(button));
  EXPECT_TRUE(skins().isSkinned(list));
  EXPECT_TRUE(skins().isSkinned(list->verticalScrollBar())) << "a view's bars come with it";
  EXPECT_FALSE(skins().isSkinned(flat));
  EXPECT_FALSE(skins().isSkinned(group));
  EXPECT_FALSE(skins().isSkinned(toolEdit)) << "a window the dialog owns is not its child";
  EXPECT_TRUE(skins().timerRunning());
  EXPECT_GT(skins().control(edit)->framePaints, 0) << "frames painted after skinning";

  // A child created in the dialog later is skinned when it is polished.
  auto* later = new QCheckBox("later", dialog.get());
  later->show();
  QApplication::processEvents();
  EXPECT_TRUE(skins().isSkinned(later));
  // ... and one created inside a container of the dialog.
  auto* nested = new QLineEdit(group);
  nested->show();
  QApplication::processEvents();
  EXPECT_TRUE(skins().isSkinned(nested));

  // A destroyed control leaves the map; the last one stops the timer.
  const int before = skins().skinnedCount();
  delete edit;
  EXPECT_EQ(skins().skinnedCount(), before - 1);
  dialog.reset();
  EXPECT_EQ(skins().skinnedCount(), 0);
  EXPECT_FALSE(skins().timerRunning());
}

TEST_F(SkinTest, CreationModeSkinsEachChildButNotLooseScrollBars) {
  skins().install(nullptr, SkinManager::kCreationMode);
  auto* edit = new QLineEdit(dialog.get());
  auto* bar = new QScrollBar(Qt::Horizontal, dialog.get());
  edit->ensurePolished();
  bar->ensurePolished();
  EXPECT_TRUE(skins().isSkinned(edit)) << "skinned when created, before any dialog is shown";
  EXPECT_FALSE(skins().isSkinned(bar));
  // Removing the hook stops the timer; skinned controls keep their skin.
  skins().remove();
  EXPECT_FALSE(skins().timerRunning());
  EXPECT_TRUE(skins().isSkinned(edit));
  skins().install(nullptr, SkinManager::kDialogMode);
  EXPECT_TRUE(skins().timerRunning());
  skins().unskinControl(edit);
  EXPECT_FALSE(skins().isSkinned(edit));
  EXPECT_EQ(edit->style(), QApplication::style()) << "the control's own style is back";
}

TEST_F(SkinTest, SmallBelowThirtyPixelsAndReadOnlyAndFocusedBits) {
  skins().install(nullptr, SkinManager::kDialogMode);
  auto* thirty = new QLineEdit(dialog.get());
  thirty->setGeometry(5, 5, 100, 30);
  auto* twentyNine = new QLineEdit(dialog.get());
  twentyNine->setGeometry(5, 40, 100, 29);
  auto* readOnly = new QLineEdit(dialog.get());
  readOnly->setGeometry(5, 80, 100, 29);
  readOnly->setReadOnly(true);
  dialog->resize(200, 200);
  showAndWait(dialog.get());
  EXPECT_EQ(skins().currentState(thirty) & SkinnedControl::kSmall, 0);
  EXPECT_NE(skins().currentState(twentyNine) & SkinnedControl::kSmall, 0);
  EXPECT_NE(skins().currentState(readOnly) & SkinnedControl::kReadOnly, 0);
  thirty->setFocus();
  QApplication::processEvents();
  EXPECT_NE(skins().currentState(thirty) & SkinnedControl::kFocused, 0);
  EXPECT_EQ(skins().currentState(twentyNine) & SkinnedControl::kFocused, 0);
  grabbed(thirty);
  EXPECT_NE(skins().control(thirty)->paintedState & SkinnedControl::kFocused, 0)
      << "the state at the last paint is kept";
}

TEST_F(SkinTest, HoverFollowsTheCursorAndRepaintsBothControlsInOneTick) {
  skins().install(nullptr, SkinManager::kDialogMode);
  useFakeCursor();
  auto* a = new QLineEdit(dialog.get());
  a->setGeometry(10, 10, 120, 30);
  auto* b = new QLineEdit(dialog.get());
  b->setGeometry(10, 50, 120, 30);
  auto* list = new QListWidget(dialog.get());
  list->setGeometry(10, 90, 120, 80);
  auto* label = new QLabel("plain", dialog.get());
  label->setGeometry(140, 10, 50, 20);
  dialog->resize(220, 200);
  showAndWait(dialog.get());

  cursorOver(a);
  skins().hoverTick();
  EXPECT_EQ(skins().hotControl(), a);
  EXPECT_TRUE(skins().control(a)->hot());

  // Straight onto the other control: both change and both are painted after one tick.
  const int paintsA = skins().control(a)->framePaints, paintsB = skins().control(b)->framePaints;
  cursorOver(b);
  skins().hoverTick();
  QApplication::processEvents();
  EXPECT_EQ(skins().hotControl(), b);
  EXPECT_FALSE(skins().control(a)->hot());
  EXPECT_TRUE(skins().control(b)->hot());
  EXPECT_GT(skins().control(a)->framePaints, paintsA);
  EXPECT_GT(skins().control(b)->framePaints, paintsB);
  EXPECT_FALSE(skins().control(a)->paintedState & SkinnedControl::kHot);
  EXPECT_TRUE(skins().control(b)->paintedState & SkinnedControl::kHot);

  // The same place again: nothing to do.
  const int paintsNow = skins().control(b)->framePaints;
  skins().hoverTick();
  QApplication::processEvents();
  EXPECT_EQ(skins().control(b)->framePaints, paintsNow);

  // While a window holds the mouse nothing changes.
  captured = true;
  cursorOver(a);
  skins().hoverTick();
  EXPECT_EQ(skins().hotControl(), b);
  captured = false;

  // The window under the cursor is the list's viewport: its parent, the list, is hot.
  cursorOver(list->viewport());
  skins().hoverTick();
  EXPECT_EQ(skins().hotControl(), list);
  EXPECT_FALSE(skins().control(b)->hot());

  // Over a window that is not skinned, nor its parent: nothing is hot.
  cursorOver(nullptr);
  skins().hoverTick();
  EXPECT_EQ(skins().hotControl(), nullptr);
  EXPECT_FALSE(skins().control(list)->hot());
  cursorOver(label);
  skins().hoverTick();
  EXPECT_EQ(skins().hotControl(), nullptr);
}

TEST_F(SkinTest, HeaderItemsFollowTheCursorAndMarkTheirListHot) {
  skins().install(nullptr, SkinManager::kDialogMode);
  useFakeCursor();
  auto* tree = new QTreeWidget(dialog.get());
  tree->setColumnCount(2);
  tree->setHeaderLabels({"Name", "Size"});
  tree->header()->resizeSection(0, 80);
  tree->header()->setSectionsClickable(true);
  tree->setGeometry(10, 10, 200, 120);
  showAndWait(dialog.get());
  QHeaderView* h = tree->header();
  ASSERT_TRUE(skins().isSkinned(h));
  QWidget* vp = h->viewport();
  cursor = vp->mapToGlobal(QPoint(20, vp->height() / 2));
  skins().hoverTick();
  EXPECT_EQ(skins().hotControl(), h);
  EXPECT_EQ(skins().control(h)->hotItem, 0);
  EXPECT_TRUE(skins().control(tree)->hot()) << "the list is hot while a header item is";
  // Onto the next item of the same header: the header repaints with the new hot item.
  cursor = vp->mapToGlobal(QPoint(120, vp->height() / 2));
  skins().hoverTick();
  EXPECT_EQ(skins().control(h)->hotItem, 1);
  const QImage img = grabbed(vp);
  // The hot item's ring: BTNHIGHLIGHT top-left, 3DDKSHADOW bottom-right; the other's BTNSHADOW.
  EXPECT_PIXEL(img, 80, 0, BtnHighlight);
  EXPECT_PIXEL(img, 80 + h->sectionSize(1) - 1, img.height() - 1, DkShadow3D);
  EXPECT_PIXEL(img, 79, img.height() - 1, BtnShadow);
  cursorOver(nullptr);
  skins().hoverTick();
  EXPECT_FALSE(skins().control(tree)->hot());
}

// --- frame pixels --------------------------------------------------------------------

class FramePixels : public SkinTest {
 protected:
  void SetUp() override {
    skins().install(nullptr, SkinManager::kDialogMode);
    useFakeCursor();
    dialog->resize(320, 260);
  }
  void makeHot(QWidget* w) {
    cursorOver(w);
    skins().hoverTick();
    ASSERT_EQ(skins().hotControl(), w);
  }
};

TEST_F(FramePixels, PlainFrameRingsForEveryState) {
  auto* edit = new QLineEdit(dialog.get());
  edit->setGeometry(10, 10, 100, 30);
  auto* small = new QLineEdit(dialog.get());
  small->setGeometry(10, 50, 100, 24);
  auto* off = new QLineEdit(dialog.get());
  off->setGeometry(10, 80, 100, 30);
  off->setEnabled(false);
  auto* ro = new QLineEdit(dialog.get());
  ro->setGeometry(10, 120, 100, 30);
  ro->setReadOnly(true);
  showAndWait(dialog.get());

  QImage img = grabbed(edit);
  const int r = img.width() - 1, b = img.height() - 1;
  EXPECT_PIXEL(img, 0, 0, BtnShadow);
  EXPECT_PIXEL(img, r, b, BtnHighlight);
  EXPECT_PIXEL(img, 1, 1, Light3D) << "inner ring of a normal frame";
  EXPECT_PIXEL(img, r - 1, b - 1, Light3D);
  img = grabbed(small);
  EXPECT_PIXEL(img, 1, 1, BtnHighlight) << "small frames are lighter on top";
  EXPECT_PIXEL(img, img.width() - 2, img.height() - 2, Light3D);
  img = grabbed(off);
  EXPECT_PIXEL(img, 1, 1, BtnFace);
  img = grabbed(ro);
  EXPECT_PIXEL(img, 1, 1, BtnFace);
  EXPECT_PIXEL(img, 0, 0, BtnShadow);

  makeHot(edit);
  img = grabbed(edit);
  EXPECT_PIXEL(img, 0, 0, BtnShadow);
  EXPECT_PIXEL(img, 1, 1, DkShadow3D) << "active inner ring";
  EXPECT_PIXEL(img, r - 1, b - 1, Light3D);
  // Focused looks the same as hot.
  cursorOver(nullptr);
  skins().hoverTick();
  ro->setFocus();
  img = grabbed(ro);
  EXPECT_PIXEL(img, 1, 1, DkShadow3D);
}

TEST_F(FramePixels, PushButtonThreeRingsAndTheDefaultAndCheckedForms) {
  auto* normal = new QPushButton("Normal", dialog.get());
  normal->setGeometry(10, 10, 90, 26);
  normal->setAutoDefault(false);
  auto* def = new QPushButton("Default", dialog.get());
  def->setGeometry(10, 50, 90, 26);
  def->setDefault(true);
  auto* checked = new QPushButton("Checked", dialog.get());
  checked->setGeometry(10, 90, 90, 26);
  checked->setCheckable(true);
  checked->setChecked(true);
  checked->setAutoDefault(false);
  showAndWait(dialog.get());

  QImage img = grabbed(normal);
  int r = img.width() - 1, b = img.height() - 1;
  EXPECT_PIXEL(img, 0, 0, BtnHighlight);
  EXPECT_PIXEL(img, r, b, BtnShadow);
  EXPECT_PIXEL(img, 1, 1, BtnFace);
  EXPECT_PIXEL(img, 2, 2, BtnFace);
  EXPECT_PIXEL(img, r - 2, b - 2, BtnFace);
  makeHot(normal);
  img = grabbed(normal);
  EXPECT_PIXEL(img, 0, 0, BtnHighlight);
  EXPECT_PIXEL(img, r, b, DkShadow3D);
  EXPECT_PIXEL(img, 1, 1, Light3D);
  EXPECT_PIXEL(img, r - 1, b - 1, BtnShadow);

  img = grabbed(def);
  r = img.width() - 1, b = img.height() - 1;
  EXPECT_PIXEL(img, 0, 0, DkShadow3D);
  EXPECT_PIXEL(img, r, b, DkShadow3D);
  EXPECT_PIXEL(img, 1, 1, BtnHighlight);
  EXPECT_PIXEL(img, r - 1, b - 1, BtnShadow);
  makeHot(def);
  img = grabbed(def);
  EXPECT_PIXEL(img, r - 1, b - 1, DkShadow3D);
  EXPECT_PIXEL(img, 2, 2, Light3D);
  EXPECT_PIXEL(img, r - 2, b - 2, BtnShadow);

  img = grabbed(checked);
  EXPECT_PIXEL(img, 0, 0, BtnShadow);
  EXPECT_PIXEL(img, img.width() - 1, img.height() - 1, BtnHighlight);
  EXPECT_PIXEL(img, 1, 1, BtnFace);
  makeHot(checked);
  img = grabbed(checked);
  EXPECT_PIXEL(img, 0, 0, DkShadow3D);
  EXPECT_PIXEL(img, 1, 1, BtnShadow);
  EXPECT_PIXEL(img, img.width() - 2, img.height() - 2, Light3D);
}

TEST_F(FramePixels, CheckBoxRadioAndComboDropButton) {
  auto* check = new QCheckBox("Backup", dialog.get());
  check->setGeometry(10, 10, 100, 20);
  auto* tri = new QCheckBox("Some", dialog.get());
  tri->setGeometry(10, 40, 100, 20);
  tri->setTristate(true);
  tri->setCheckState(Qt::PartiallyChecked);
  auto* radio = new QRadioButton("UTF-8", dialog.get());
  radio->setGeometry(10, 70, 100, 20);
  auto* combo = new QComboBox(dialog.get());
  combo->addItems({"TCVN3", "VNI"});
  combo->setGeometry(10, 100, 120, 24);
  showAndWait(dialog.get());

  // The 13 x 13 box at the left edge, vertically centred: (0, 3) .. (12, 15).
  QImage img = grabbed(check);
  EXPECT_PIXEL(img, 0, 3, BtnShadow);
  EXPECT_PIXEL(img, 12, 15, BtnHighlight);
  EXPECT_PIXEL(img, 1, 4, Window);
  EXPECT_PIXEL(img, 11, 14, Window);
  img = grabbed(tri);
  EXPECT_PIXEL(img, 1, 4, BtnHighlight) << "an indeterminate box";
  makeHot(check);
  img = grabbed(check);
  EXPECT_PIXEL(img, 0, 3, DkShadow3D);
  EXPECT_PIXEL(img, 1, 4, BtnShadow);
  EXPECT_PIXEL(img, 11, 14, BtnFace);

  // The radio circle in its 12 x 12 square at (0, 4): the arcs' colours.
  img = grabbed(radio);
  EXPECT_PIXEL(img, 5, 4, BtnShadow) << "outer upper-left arc";
  EXPECT_PIXEL(img, 5, 5, Window) << "inner upper-left arc, not active";
  EXPECT_PIXEL(img, 9, 7, BtnFace) << "inner lower-right arc";
  EXPECT_PIXEL(img, 10, 7, Window) << "outer lower-right arc";
  EXPECT_PIXEL(img, 5, 15, Window) << "outer lower-right arc";
  makeHot(radio);
  img = grabbed(radio);
  EXPECT_PIXEL(img, 5, 5, DkShadow3D);
  radio->setEnabled(false);
  img = grabbed(radio);
  EXPECT_PIXEL(img, 5, 5, BtnFace);
  EXPECT_PIXEL(img, 5, 15, BtnHighlight);

  // The drop button: the inner rectangle shrunk by 2, its right part a scroll bar wide.
  img = grabbed(combo);
  const int w = combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, combo);
  const int right = img.width() - 3, left = right - w + 1;
  EXPECT_PIXEL(img, left, 2, BtnHighlight);
  EXPECT_PIXEL(img, right, img.height() - 3, BtnShadow);
  EXPECT_PIXEL(img, left + 1, 3, BtnFace);
  makeHot(combo);
  img = grabbed(combo);
  EXPECT_PIXEL(img, left, 2, BtnFace);
  EXPECT_PIXEL(img, right, img.height() - 3, DkShadow3D);
  EXPECT_PIXEL(img, left + 1, 3, BtnHighlight);
  EXPECT_PIXEL(img, 1, 1, DkShadow3D) << "the plain frame around it is active too";
}

TEST_F(FramePixels, ScrollBarThumbAndSpinBoxHalves) {
  auto* bar = new QScrollBar(Qt::Horizontal, dialog.get());
  bar->setGeometry(10, 10, 216, 16);
  bar->setRange(0, 75);  // a range of 100 with a page of 25
  bar->setPageStep(25);
  bar->setValue(0);
  auto* spin = new QSpinBox(dialog.get());
  spin->setGeometry(10, 40, 80, 30);
  showAndWait(dialog.get());

  // Arrows 16 long, the track 184, the thumb 25 * 184 / 100 = 46 pixels from x = 16.
  QImage img = grabbed(bar);
  EXPECT_PIXEL(img, 0, 0, BtnHighlight) << "left arrow";
  EXPECT_PIXEL(img, 15, 15, BtnShadow);
  EXPECT_PIXEL(img, 16, 0, BtnHighlight) << "thumb's first column";
  EXPECT_PIXEL(img, 16 + 45, 15, BtnShadow) << "thumb's last column";
  EXPECT_PIXEL(img, 16 + 47, 8, Light3D) << "the track after the thumb";
  bar->setValue(75);  // at the end: offset (75 - 0) * (184 - 46) / 75 = 138
  img = grabbed(bar);
  EXPECT_PIXEL(img, 16 + 138, 0, BtnHighlight);
  EXPECT_PIXEL(img, 16 + 137, 8, Light3D);
  makeHot(bar);
  img = grabbed(bar);
  EXPECT_PIXEL(img, 0, 0, BtnFace);
  EXPECT_PIXEL(img, 15, 15, DkShadow3D);

  img = grabbed(spin);
  QStyleOptionSpinBox opt;
  opt.initFrom(spin);
  const QRect up =
      spin->style()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxUp, spin);
  EXPECT_PIXEL(img, up.left(), up.top(), BtnHighlight);
  EXPECT_PIXEL(img, up.right(), up.bottom(), BtnShadow);
  EXPECT_PIXEL(img, 0, 0, BtnShadow) << "the edit's frame runs round the buttons";
  EXPECT_PIXEL(img, img.width() - 1, img.height() - 1, BtnHighlight);
  makeHot(spin);
  img = grabbed(spin);
  EXPECT_PIXEL(img, up.left(), up.top(), BtnFace);
  EXPECT_PIXEL(img, up.right(), up.bottom(), DkShadow3D);
  EXPECT_PIXEL(img, up.left() - 1, up.top() + 1, DkShadow3D) << "the joining line, active";
}

TEST_F(FramePixels, TrackbarToolbarAndTabControl) {
  auto* slider = new QSlider(Qt::Horizontal, dialog.get());
  slider->setGeometry(10, 10, 150, 24);
  slider->setValue(slider->maximum());  // the thumb out of the way at the right
  auto* bar = new QToolBar(dialog.get());
  bar->setGeometry(10, 50, 200, 30);
  QList<QToolButton*> buttons;
  for (const char* name : {"Open", "Save"}) {
    auto* b = new QToolButton(bar);
    b->setText(name);
    b->setCheckable(true);
    bar->addWidget(b);
    b->setAutoRaise(false);
    buttons << b;
  }
  buttons[1]->setChecked(true);
  auto* tabs = new QTabWidget(dialog.get());
  tabs->addTab(new QLabel("one"), "One");
  tabs->addTab(new QLabel("two"), "Two");
  tabs->setGeometry(10, 100, 200, 100);
  showAndWait(dialog.get());
  ASSERT_TRUE(skins().isSkinned(bar));

  // The channel: four pixels high through the middle, from half a thumb in.
  QStyleOptionSlider opt;
  opt.initFrom(slider);
  opt.orientation = Qt::Horizontal;
  opt.minimum = slider->minimum();
  opt.maximum = slider->maximum();
  opt.sliderPosition = opt.sliderValue = slider->value();
  const QRect handle =
      slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider);
  const int x0 = handle.width() / 2, y0 = handle.center().y() - 2;
  QImage img = grabbed(slider);
  EXPECT_PIXEL(img, x0, y0, BtnShadow);
  EXPECT_PIXEL(img, x0 + 3, y0 + 3, BtnHighlight);
  EXPECT_PIXEL(img, x0 + 1, y0 + 1, BtnFace) << "the inner ring of a channel at rest";
  // The thumb, pointing down: lit on its top and left, shaded on its right.
  EXPECT_PIXEL(img, handle.left(), handle.top(), BtnHighlight);
  EXPECT_PIXEL(img, handle.left(), handle.top() + 3, BtnHighlight);
  EXPECT_PIXEL(img, handle.right(), handle.top() + 3, BtnShadow);
  EXPECT_PIXEL(img, handle.center().x(), handle.top() + 3, BtnFace);
  makeHot(slider);
  img = grabbed(slider);
  EXPECT_PIXEL(img, x0 + 1, y0 + 1, DkShadow3D);
  EXPECT_PIXEL(img, x0 + 2, y0 + 2, Light3D);

  // Tool bar buttons: raised when not checked, sunken when checked; the hot one stronger.
  img = grabbed(buttons[0]);
  int r = img.width() - 1, b = img.height() - 1;
  EXPECT_PIXEL(img, 0, 0, BtnHighlight);
  EXPECT_PIXEL(img, r, b, BtnShadow);
  img = grabbed(buttons[1]);
  EXPECT_PIXEL(img, 0, 0, BtnShadow);
  EXPECT_PIXEL(img, img.width() - 1, img.height() - 1, BtnHighlight);
  cursorOver(buttons[0]);
  skins().hoverTick();
  EXPECT_EQ(skins().hotControl(), bar);
  img = grabbed(buttons[0]);
  EXPECT_PIXEL(img, r, b, DkShadow3D);
  EXPECT_PIXEL(img, 1, 1, Light3D);
  cursorOver(buttons[1]);
  skins().hoverTick();
  img = grabbed(buttons[1]);
  EXPECT_PIXEL(img, 0, 0, DkShadow3D) << "checked and hot";
  EXPECT_PIXEL(img, 1, 1, BtnShadow);
  EXPECT_PIXEL(grabbed(buttons[0]), r, b, BtnShadow) << "the other one is back at rest";

  // The page of the tab widget: light towards the top left, dark towards the bottom right.
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(tabs);
  const QRect page = tabs->style()->subElementRect(QStyle::SE_TabWidgetTabPane, &frame, tabs);
  img = grabbed(tabs);
  EXPECT_PIXEL(img, page.left(), page.bottom() - 4, BtnHighlight);
  EXPECT_PIXEL(img, page.right(), page.bottom(), DkShadow3D);
  EXPECT_PIXEL(img, page.right() - 1, page.bottom() - 1, BtnShadow);
  EXPECT_PIXEL(img, page.left() + 1, page.bottom() - 4, BtnFace);
  cursorOver(tabs->tabBar());
  skins().hoverTick();
  EXPECT_EQ(skins().hotControl(), tabs) << "the tab bar's parent, the tab widget, is hot";
  img = grabbed(tabs);
  EXPECT_PIXEL(img, page.left() + 1, page.bottom() - 4, Light3D);
}

}  // namespace
}  // namespace ts::ui
