#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QProcess>
#include <QRawFont>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <filesystem>

#include "ts/catalogue.hpp"
#include "ts/testing/scratch.hpp"
#include "ts/ui/flat_button.hpp"
#include "ts/ui/hyperlink.hpp"
#include "ts/ui/message_box.hpp"
#include "ts/ui/ui_font.hpp"
#include "ui_test_support.hpp"

namespace ts::ui {
namespace {

namespace fs = std::filesystem;
using ts::testing::readFile;
using ts::testing::writeFile;

bool faceKnown() { return QFontDatabase::families().contains(kUiFontFamily, Qt::CaseSensitive); }

// Runs this one test again in a process of its own when an earlier test of this process
// has registered the font already; true when the caller should return.
bool rerunFresh() {
  if (!faceKnown()) return false;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  QProcess child;
  child.start(QCoreApplication::applicationFilePath(),
              {QString("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name())});
  EXPECT_TRUE(child.waitForFinished(60000));
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
  return true;
}

class UiFont : public ts::testing::ScratchTest {};

TEST_F(UiFont, FirstInstallWritesBothFilesWithTheFixedStampsThenNothing) {
  if (rerunFresh()) return;
  const QString folder = QString::fromStdString(dir_.string());
  // A file left from an earlier start with other bytes and times: overwritten from its
  // start, cut to size, stamped again.
  writeFile(dir_ / "tsnt10.bdf", std::string(100000, 'x'));
  const detail::UiFontResult r = detail::installUiFontInto(folder);
  EXPECT_FALSE(r.found);
  EXPECT_TRUE(r.written);
  EXPECT_TRUE(r.registered);
  for (int points : {8, 10}) {
    const fs::path file = dir_ / ("tsnt" + std::to_string(points) + ".bdf");
    struct stat st;  // before reading it, which may move its access time
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, detail::uiFontTimeStamp());
    EXPECT_EQ(st.st_atime, detail::uiFontTimeStamp());
    EXPECT_EQ(readFile(file), uiFontFile(points).toStdString()) << file;
  }
  EXPECT_EQ(QDateTime::fromSecsSinceEpoch(detail::uiFontTimeStamp(), QTimeZone::utc()),
            QDateTime(QDate(1997, 1, 18), QTime(8, 30), QTimeZone::utc()));
  // With the face known, nothing is written again.
  fs::remove(dir_ / "tsnt8.bdf");
  const detail::UiFontResult again = detail::installUiFontInto(folder);
  EXPECT_TRUE(again.found);
  EXPECT_FALSE(fs::exists(dir_ / "tsnt8.bdf"));
  EXPECT_TRUE(InstallUiFont());
}

TEST_F(UiFont, RefusesALinkInTheSharedFolderAndStillRegistersFromMemory) {
  if (rerunFresh()) return;
  writeFile(dir_ / "victim", "precious");
  fs::create_symlink(dir_ / "victim", dir_ / "tsnt8.bdf");
  EXPECT_FALSE(detail::writeUiFontFile(QString::fromStdString((dir_ / "tsnt8.bdf").string()),
                                       uiFontFile(8)));
  EXPECT_EQ(readFile(dir_ / "victim"), "precious");
  const detail::UiFontResult r = detail::installUiFontInto(QString::fromStdString(dir_.string()));
  EXPECT_FALSE(r.written);
  EXPECT_TRUE(r.registered) << "the font comes from memory instead";
  EXPECT_EQ(readFile(dir_ / "victim"), "precious");
  EXPECT_TRUE(faceKnown());
}

// The ink rows of `text` drawn in `font`.
QRect ink(const QFont& font, const QString& text) {
  QImage img(80, 40, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter p(&img);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(10, 28, text);
  }
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
  return box;
}

TEST(UiFontFace, FoundByItsNameInBothSizesWithEveryVietnameseLetter) {
  ASSERT_TRUE(InstallUiFont());
  ASSERT_TRUE(faceKnown());
  const struct { int points, pixels, cell; } sizes[] = {{8, 11, 13}, {10, 13, 16}};
  for (const auto& s : sizes) {
    QFont f(kUiFontFamily, s.points);
    f.setStyleStrategy(QFont::NoFontMerging);
    const QFontInfo info(f);
    EXPECT_EQ(info.family(), kUiFontFamily);
    EXPECT_EQ(info.pixelSize(), s.pixels) << s.points << " points";
    EXPECT_EQ(QFontMetrics(f).height(), s.cell) << "cell height";
    const QRawFont raw = QRawFont::fromFont(f);
    ASSERT_TRUE(raw.isValid());
    for (int n = 1; n <= kLetterCount; ++n)
      EXPECT_TRUE(raw.supportsCharacter(QChar(letterCodePoint(n)))) << "letter " << n;
    for (char32_t c : {U'a', U'Z', U'é', U'ÿ', U'©'})
      EXPECT_TRUE(raw.supportsCharacter(c)) << static_cast<unsigned>(c);
    // The marks are drawn: Ấ reaches higher than A, and Ấ and Ầ differ.
    EXPECT_LT(ink(f, QString::fromUtf8("Ấ")).top(), ink(f, "A").top());
    EXPECT_GT(ink(f, QString::fromUtf8("ệ")).bottom(), ink(f, "e").bottom()) << "the dot below";
    QImage a(30, 30, QImage::Format_RGB32), b(30, 30, QImage::Format_RGB32);
    for (auto [img, text] : {std::pair(&a, "Ấ"), std::pair(&b, "Ầ")}) {
      img->fill(Qt::white);
      QPainter p(img);
      p.setFont(f);
      p.drawText(5, 20, QString::fromUtf8(text));
    }
    EXPECT_NE(a, b);
  }
  // The embedded files are the fonts of that face.
  EXPECT_TRUE(uiFontFile(8).contains("FAMILY_NAME \"TS Sans Serif\""));
  EXPECT_TRUE(uiFontFile(10).contains("PIXEL_SIZE 13"));
  EXPECT_TRUE(uiFontFile(9).isEmpty());
}

// --- hyperlinks -----------------------------------------------------------------------

TEST(LinkTexts, ErrorTableAndBrowserCommandLines) {
  EXPECT_EQ(linkErrorText(0), "The operating system is out\nof memory or resources.");
  EXPECT_EQ(linkErrorText(26), "A sharing violation occurred. ");
  EXPECT_EQ(linkErrorText(31),
            "There is no application associated\nwith the given filename extension.");
  EXPECT_EQ(linkErrorText(99), "Unknown Error (99) occurred.");
  EXPECT_EQ(linkErrorOfErrno(ENOENT), 2);
  EXPECT_EQ(linkErrorOfErrno(EACCES), 5);
  EXPECT_EQ(linkErrorOfXdgOpen(3), 31);
  EXPECT_EQ(linkErrorOfXdgOpen(2), 2);

  const QString t = "https://tessaro.example/";
  EXPECT_EQ(browserCommandLine("firefox %u", t), "firefox  'https://tessaro.example/'");
  EXPECT_EQ(browserCommandLine(R"("C:/Browser/b.exe" "%1" -nohome)", t),
            R"("C:/Browser/b.exe"  'https://tessaro.example/')")
      << "the quoted placeholder goes with its quotes";
  EXPECT_EQ(browserCommandLine("b.exe %1", t), "b.exe  'https://tessaro.example/'");
  EXPECT_EQ(browserCommandLine("chromium --new-window", t),
            "chromium --new-window 'https://tessaro.example/'")
      << "no placeholder: the target after a blank";
  EXPECT_EQ(browserCommandLine("run --pct=100%% %U", t),
            "run --pct=100%%  'https://tessaro.example/'");
  EXPECT_EQ(browserCommandLine("b", "x'; rm -rf ~; '"), R"(b 'x'\''; rm -rf ~; '\''')")
      << "the target is one shell word whatever it holds";
}

TEST(HyperLinkControl, AttachColoursAndHover) {
  QDialog dialog;
  auto* noText = new HyperLink(&dialog, QColor(255, 0, 0));
  noText->setTarget("https://tessaro.example/");
  auto* noTarget = new HyperLink("mailto:support@tessaro.example", "", &dialog);
  noTarget->move(0, 30);
  dialog.resize(300, 80);
  testing::showAndWait(&dialog);
  EXPECT_EQ(noText->text(), "https://tessaro.example/") << "empty text shows the target";
  EXPECT_EQ(noTarget->target(), "mailto:support@tessaro.example") << "the text is the target";
  EXPECT_EQ(noText->toolTip(), noText->target());
  EXPECT_TRUE(noText->font().underline());
  EXPECT_EQ(noText->size(), noText->fontMetrics().size(Qt::TextSingleLine, noText->text()))
      << "sized to fit its text";
  EXPECT_EQ(noText->cursor().shape(), Qt::PointingHandCursor);

  EXPECT_EQ(noText->textColour(), QColor(0, 0, 238));
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(noText, &enter);
  EXPECT_TRUE(noText->hovering());
  EXPECT_EQ(noText->textColour(), QColor(255, 0, 0)) << "the hover colour it was given";
  QApplication::sendEvent(noTarget, &enter);
  EXPECT_EQ(noTarget->textColour(), sysColour(SysColour::Highlight)) << "none given";
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(noText, &leave);
  noText->setVisited(true);
  EXPECT_EQ(noText->textColour(), QColor(85, 26, 139));
  // The text is painted in that colour on a transparent background.
  const QImage img = testing::grabbed(noText);
  int visited = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) visited += img.pixelColor(x, y) == QColor(85, 26, 139);
  EXPECT_GT(visited, 10);
}

// A desktop made of scripts: xdg-open, xdg-mime and a browser that notes its arguments.
class LinkOpening : public ts::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    savedPath = qgetenv("PATH");
    savedData = qgetenv("XDG_DATA_HOME");
    fs::create_directories(dir_ / "bin");
    qputenv("PATH", QByteArray::fromStdString((dir_ / "bin").string()) + ":/usr/bin:/bin");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir_ / "data").string()));
    HyperLink::setFailureReporter([this](QWidget*, const QString& m) { reported = m; });
  }
  void TearDown() override {
    qputenv("PATH", savedPath);
    if (savedData.isEmpty())
      qunsetenv("XDG_DATA_HOME");
    else
      qputenv("XDG_DATA_HOME", savedData);
    ScratchTest::TearDown();
  }
  void script(const std::string& name, const std::string& body) {
    writeFile(dir_ / "bin" / name, "#!/bin/sh\n" + body + "\n");
    fs::permissions(dir_ / "bin" / name, fs::perms::owner_all);
  }
  void registerBrowser(const std::string& exec) {
    script("xdg-mime", "echo fake-browser.desktop");
    script("fake-browser", "printf '%s\\n' \"$@\" > '" + (dir_ / "browser-args").string() + "'");
    writeFile(dir_ / "data" / "applications" / "fake-browser.desktop",
              "[Desktop Entry]\nName=Fake\nExec=" + exec + "\n[Desktop Action new]\nExec=no\n");
  }
  // Clicks `link` and waits for the outcome.
  void click(HyperLink& link) {
    link.opener().setSettleTime(400);
    QSignalSpy finished(&link, &HyperLink::openFinished);
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_TRUE(finished.wait(8000));
  }
  QByteArray savedPath, savedData;
  QString reported;
};

TEST_F(LinkOpening, TheDesktopHandlerFirstThenTheRegisteredBrowser) {
  QDialog dialog;
  HyperLink link("tessaro.example", "https://tessaro.example/", &dialog);
  link.setParent(&dialog);
  testing::showAndWait(&dialog);
  script("xdg-open", "echo \"$1\" > '" + (dir_ / "opened").string() + "'");
  click(link);
  EXPECT_TRUE(link.visited());
  EXPECT_EQ(readFile(dir_ / "opened"), "https://tessaro.example/\n");
  EXPECT_TRUE(reported.isEmpty());

  // xdg-open finds no tool: the browser the desktop registers for web pages opens it.
  link.setVisited(false);
  script("xdg-open", "exit 3");
  registerBrowser((dir_ / "bin" / "fake-browser").string() + " --new-window \"%u\"");
  click(link);
  EXPECT_TRUE(link.visited()) << reported.toStdString();
  EXPECT_EQ(readFile(dir_ / "browser-args"), "--new-window\nhttps://tessaro.example/\n");
}

TEST_F(LinkOpening, FailuresAreReportedWithTheirTextAndClearTheVisitedState) {
  QDialog dialog;
  HyperLink link("mail", "mailto:support@tessaro.example", &dialog);
  testing::showAndWait(&dialog);
  link.setVisited(true);
  script("xdg-open", "exit 3");  // no tool, and no browser registered either
  script("xdg-mime", "exit 0");
  click(link);
  EXPECT_FALSE(link.visited());
  EXPECT_EQ(reported,
            "Unable to open hyperlink:\n\nThere is no application associated\n"
            "with the given filename extension.");

  // The registered browser is missing: the shell cannot start it.
  reported.clear();
  registerBrowser((dir_ / "bin" / "gone-browser").string() + " %u");
  click(link);
  EXPECT_EQ(reported, "Unable to open hyperlink:\n\nThe specified file was not found.");

  // No xdg-open at all, nothing registered.
  reported.clear();
  fs::remove(dir_ / "bin" / "xdg-open");
  fs::remove(dir_ / "bin" / "xdg-mime");
  qputenv("PATH", QByteArray::fromStdString((dir_ / "bin").string()));
  click(link);
  EXPECT_EQ(reported, "Unable to open hyperlink:\n\nThe specified file was not found.");
}

TEST_F(LinkOpening, AHandlerThatStaysNeverBlocksTheClick) {
  QDialog dialog;
  HyperLink link("site", "https://tessaro.example/", &dialog);
  testing::showAndWait(&dialog);
  script("xdg-open", "exec sleep 3");  // a browser in the foreground, as on a bare server
  link.opener().setSettleTime(300);
  QElapsedTimer t;
  t.start();
  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_LT(t.elapsed(), 200) << "the click returns at once";
  EXPECT_TRUE(QTest::qWaitFor([&] { return link.visited(); }, 5000));
  EXPECT_TRUE(reported.isEmpty());
}

// --- the message box --------------------------------------------------------------------

TEST(MessageBoxDialog, ShowsTheTcvn3TextWithItsLinksAndClosesOnOk) {
  const std::string done = "\xA7\xB7 chuy\xD3n m\xB7 xong 3 file.";  // "Đã chuyển mã xong 3 file."
  EXPECT_EQ(fromTcvn3(done), QString::fromUtf8("Đã chuyển mã xong 3 file."));
  {
    MessageBox box(nullptr, QColor(255, 0, 0));
    box.setText(fromTcvn3(done));
    EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Chú ý"));
    EXPECT_EQ(box.font().family(), kUiFontFamily);
    EXPECT_EQ(box.findChild<QLabel*>(MessageBox::kTextName)->text(),
              QString::fromUtf8("Đã chuyển mã xong 3 file."));
    auto* ok = box.findChild<FlatButton*>(MessageBox::kOkName);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "&OK");
    EXPECT_EQ(box.webLink()->target(), QString(kWebAddress));
    EXPECT_EQ(box.mailLink()->target(), QString("mailto:") + kEmailAddress);
    EXPECT_EQ(box.webLink()->objectName(), MessageBox::kWebName);
    EXPECT_EQ(box.mailLink()->objectName(), MessageBox::kMailName);
    // 219 x 62 dialog units of the interface font.
    EXPECT_EQ(box.size(), QSize(box.toPixels(219, 62).x(), box.toPixels(219, 62).y()));
    EXPECT_EQ(ok->geometry().topLeft(), box.toPixels(165, 35));
    // Both links fit their texts and stay inside the box.
    for (HyperLink* l : {box.webLink(), box.mailLink()})
      EXPECT_TRUE(box.rect().contains(l->geometry())) << l->text().toStdString();
    EXPECT_EQ(box.mailLink()->geometry().right() + 1, box.toPixels(138 + 76, 0).x())
        << "the e-mail link keeps its right edge";
    EXPECT_FALSE(box.scrolls());
    // A report of many lines: the box grows, the links move down with the button; past half
    // the screen the text scrolls.
    QStringList lines;
    for (int i = 1; i <= 12; ++i) lines << QString("/srv/www/p%1.htm: cannot open it").arg(i);
    box.setText(lines.join('\n'));
    EXPECT_GT(box.height(), box.toPixels(0, 62).y() + 6 * box.fontMetrics().height());
    EXPECT_FALSE(box.scrolls());
    EXPECT_TRUE(box.rect().contains(box.mailLink()->geometry()));
    EXPECT_NEAR(ok->geometry().bottom() + box.toPixels(0, 62 - 49).y(), box.height() - 1, 2);
    for (int i = 13; i <= 2000; ++i) lines << QString("/srv/www/p%1.htm: cannot open it").arg(i);
    box.setText(lines.join('\n'));
    EXPECT_LE(box.height(), box.screen()->availableGeometry().height() * 3 / 4);
    box.show();
    EXPECT_TRUE(box.scrolls());
  }
  bool closed = false;
  QTimer::singleShot(50, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<MessageBox*>(w); box && box->isVisible())
        QTest::mouseClick(box->okButton(), Qt::LeftButton);
  });
  ShowMessageTcvn3(done);
  closed = true;
  EXPECT_TRUE(closed) << "returns when the user closes it";
}

}  // namespace
}  // namespace ts::ui
