// The installer's window: its layout from twips, its texts, and a button run against a real
// headless LibreOffice that ends by saying whether the add-in is installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "setup_window.hpp"
#include "ts/office/routines.hpp"
#include "ts/platform/messages.hpp"
#include "ts/testing/office.hpp"
#include "ts/testing/scratch.hpp"
#include "ts/ui/ui_font.hpp"

namespace {

using namespace ts::office;

class SetupWindowTest : public ts::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    setenv("TESSARO_ADDIN_DIR", ADDIN_DIR, 1);
    office_ = std::make_unique<ts::testing::ScratchOffice>(dir_, TSLIB_PATH);
  }
  void TearDown() override {
    office_.reset();
    ScratchTest::TearDown();
  }
  std::unique_ptr<ts::testing::ScratchOffice> office_;
};

TEST_F(SetupWindowTest, LayoutTextsAndAButtonRunThatSaysItWorked) {
  ts::office::window::SetupWindow w(office_->options());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_EQ(w.windowTitle(), "Setup");
  const int dpi = w.logicalDpiX();
  const auto px = [dpi](int twips) { return (twips * dpi + 720) / 1440; };
  EXPECT_EQ(w.size(), QSize(px(3705), px(4740)));
  EXPECT_EQ(w.button(App::kCalc)->geometry(), QRect(px(480), px(1080), px(2775), px(375)));
  EXPECT_EQ(w.button(App::kImpress)->geometry(), QRect(px(480), px(2040), px(2775), px(375)));
  EXPECT_EQ(w.status()->geometry(), QRect(px(120), px(2655), px(3465), px(1440)));
  EXPECT_EQ(w.button(App::kCalc)->text(), "LibreOffice Calc");
  EXPECT_EQ(w.button(App::kWriter)->text(), "LibreOffice Writer");
  EXPECT_EQ(w.button(App::kImpress)->text(), "LibreOffice Impress");
  EXPECT_EQ(w.cancelButton()->text(), "&Exit");  // English by default
  {  // Vietnamese under vi, wholly.
    ts::platform::initMessages();
    ts::platform::setMessageLanguage("vi");
    ts::office::window::SetupWindow vietnamese(office_->options());
    EXPECT_EQ(vietnamese.cancelButton()->text(), QString::fromUtf8("&Kết thúc"));
    EXPECT_EQ(vietnamese.windowTitle(), QString::fromUtf8("Cài đặt"));
    ts::platform::setMessageLanguage("en");
  }
  EXPECT_EQ(w.cancelButton()->font().family(), ts::ui::uiFontFamily());
  EXPECT_EQ(w.status()->text(), "");
  {  // Escape closes a window as "Kết thúc" does.
    ts::office::window::SetupWindow other(office_->options());
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_FALSE(other.isVisible());
  }
  // Tab order: Kết thúc, Calc, Writer, Impress.
  QStringList chain;
  QWidget* next = w.cancelButton();
  for (int i = 0; i < 4; ++i, next = next->nextInFocusChain()) {
    while (!(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
    chain << next->objectName();
  }
  EXPECT_EQ(chain.join(" "), "cancel calc writer impress");

  // During the run the buttons are disabled and the window keeps painting.
  QString during;
  bool disabled = false;
  int paints = 0;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    during = w.status()->text();
    disabled = disabled || !w.button(App::kWriter)->isEnabled();
    w.repaint();
    ++paints;
  });
  probe.start(500);
  QTest::mouseClick(w.button(App::kWriter), Qt::LeftButton);
  probe.stop();
  EXPECT_EQ(during, "Installing TS-LibreOffice Writer");
  EXPECT_TRUE(disabled);
  EXPECT_GT(paints, 2);
  EXPECT_TRUE(w.button(App::kWriter)->isEnabled());
  EXPECT_EQ(w.status()->text(), "TS- installed in LibreOffice Writer");

  if (const char* folder = std::getenv("TSO_SETUP_SHOTS")) {
    std::filesystem::create_directories(folder);
    QApplication::processEvents();
    EXPECT_TRUE(w.grab().save(QString("%1/setup-window.png").arg(folder)));
  }

  // The next run empties the line at its start, not at its end; a LibreOffice that cannot
  // start is said.
  OfficeOptions missing = office_->options();
  missing.program = (dir_ / "no-soffice").string();
  missing.pipe += "-none";
  ts::office::window::SetupWindow w2(missing);
  w2.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w2));
  QTimer::singleShot(300, [&] { during = w2.status()->text(); });
  QTest::mouseClick(w2.button(App::kCalc), Qt::LeftButton);
  EXPECT_EQ(during, "Installing TS-LibreOffice Calc");
  // Why, in the window itself.
  EXPECT_TRUE(w2.status()->text().startsWith("TS- NOT installed in LibreOffice Calc\n"))
      << w2.status()->text().toStdString();
  EXPECT_NE(w2.status()->text().indexOf("Attach to LibreOffice or start it: cannot start"), -1);
  EXPECT_NE(w2.status()->toolTip().indexOf("Attach to LibreOffice or start it: cannot start"), -1)
      << w2.status()->toolTip().toStdString();
  if (const char* folder = std::getenv("TSO_SETUP_SHOTS")) {
    EXPECT_TRUE(w2.grab().save(QString("%1/setup-window-failed.png").arg(folder)));
  }
}

// An office holding a document not saved: the window asks, and "No" keeps the office, the
// document and its changes, and says the add-in is not installed.
TEST_F(SetupWindowTest, AsksBeforeUnsavedWorkWouldBeLost) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const Object doc = o.wrap(o.desktop().call(
        "loadComponentFromURL", {text("private:factory/swriter"), text("_blank"), Any(sal_Int32(0)),
                                 Any(properties({{"Hidden", Any(true)}}))}));
    doc.getObject("Text").call("setString", {text("unsaved")});
    office_->detach();
  });
  ts::office::window::SetupWindow w(office_->options());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QString asked;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    asked = box->text();
    if (const char* folder = std::getenv("TSO_SETUP_SHOTS"))
      box->grab().save(QString(folder) + "/setup-unsaved-question.png");
    box->button(QMessageBox::No)->click();
  });
  answer.start(200);
  QTest::mouseClick(w.button(App::kWriter), Qt::LeftButton);
  answer.stop();
  EXPECT_TRUE(asked.contains("Untitled")) << asked.toStdString();
  EXPECT_TRUE(w.status()->text().startsWith("TS- NOT installed in LibreOffice Writer\n"));
  EXPECT_TRUE(w.status()->text().contains("not saved")) << w.status()->text().toStdString();
  ts::testing::guard([&] {
    EXPECT_EQ(unsavedDocuments(office_->office()).size(), 1u);
    office_->detach();
  });
}

}  // namespace
