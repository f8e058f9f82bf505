// The web converter's windows on the offscreen platform (and under a real X server for the
// screenshots): the controls, the folder tree and listing, the conversion list, the small
// window and a whole run.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>

#include "file_entry.hpp"
#include "shell_tree.hpp"
#include "ts/testing/scratch.hpp"
#include "ts/ui/ui_font.hpp"
#include "ts/ui/program.hpp"
#include "ts/ui/sort_list.hpp"
#include "ts/ui/window_support.hpp"
#include "web_window.hpp"

namespace ts::web::window {
namespace {

namespace fs = std::filesystem;
using ts::testing::readFile;
using ts::testing::writeFile;

QStringList texts(QTreeWidget* list, int column = 0) {
  QStringList t;
  for (int i = 0; i < list->topLevelItemCount(); ++i) t << list->topLevelItem(i)->text(column);
  return t;
}

class WebWindow : public ts::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    // Settings of this test's own: tests that run side by side never read each other's.
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    w = std::make_unique<WebMainWindow>(nullptr,
                                        QStringList{QString::fromStdString(dir_.string())});
    w->setNotice([this](const QString& s) { said << s; });
    w->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    w.reset();
    ScratchTest::TearDown();
  }
  template <class T>
  T* child(int id) const {
    return w->findChild<T*>(WebMainWindow::controlName(id));
  }
  QString path(const std::string& p) const { return QString::fromStdString((dir_ / p).string()); }
  std::unique_ptr<WebMainWindow> w;
  QStringList said;
};

TEST_F(WebWindow, ControlsAndTheirDefaults) {
  // Help opens a page that is there (from the build tree, the one among the sources).
  EXPECT_TRUE(QFileInfo::exists(WebMainWindow::helpPage())) << WebMainWindow::helpPage().toStdString();
  auto* source = child<QComboBox>(WebMainWindow::kSource);
  auto* destination = child<QComboBox>(WebMainWindow::kDestination);
  auto* format = child<QComboBox>(WebMainWindow::kFormat);
  auto* type = child<QComboBox>(WebMainWindow::kFileType);
  ASSERT_TRUE(source && destination && format && type);
  EXPECT_EQ(source->count(), 41);  // the charsets, and reading each page's own
  EXPECT_EQ(source->itemText(0), " 01   -   3C 2.5");
  EXPECT_EQ(source->itemText(40), "T\u1EF1 nh\u1EADn d\u1EA1ng");
  EXPECT_EQ(source->currentText(), " 15   -   TCVN3 - ABC");
  EXPECT_EQ(destination->currentText(), " 39   -   VN Unicode 1");
  EXPECT_EQ(format->currentText(), "html - utf8");
  EXPECT_EQ(type->currentText(), "*.htm, *.html, *.shtml");
  EXPECT_EQ(format->count(), 8);
  destination->setCurrentIndex(14);
  EXPECT_EQ(format->currentText(), "html - 8-bit");
  destination->setCurrentIndex(38);
  EXPECT_EQ(format->currentText(), "html - utf8");
  EXPECT_EQ(child<QPushButton>(WebMainWindow::kRun)->text(), "&Chuyển đổi");
  EXPECT_EQ(child<QPushButton>(WebMainWindow::kNewList)->text(), "&DSách mới");
  EXPECT_EQ(child<QPushButton>(WebMainWindow::kHelp)->text(), "&Hướng Dẫn");
  EXPECT_EQ(child<QPushButton>(WebMainWindow::kSmall)->text(), "<<<<");
  EXPECT_EQ(w->list()->headerItem()->text(0),
            "Danh sách file cần chuyển đổi - kéo thả file và thư mục vào đây");
  EXPECT_EQ(texts(w->folderList()).size(), 0);
  EXPECT_EQ(w->folderList()->headerItem()->text(3), "Ngày tạo lập");
  EXPECT_FALSE(child<QCheckBox>(WebMainWindow::kFixHtml)->isEnabled());
  EXPECT_FALSE(child<QCheckBox>(WebMainWindow::kOptimizeHtml)->isEnabled());
  EXPECT_TRUE(child<QCheckBox>(WebMainWindow::kSaveSettings)->isEnabled());
  EXPECT_TRUE(w->windowTitle().startsWith("Tessaro Web Converter - Version 1.3"));
  EXPECT_EQ(groupedDigits(0), "0");
  EXPECT_EQ(groupedDigits(999), "999");
  EXPECT_EQ(groupedDigits(1000), "1,000");
  EXPECT_EQ(groupedDigits(1234567), "1,234,567");
  EXPECT_EQ(groupedDigits(3221225472), "3,221,225,472");
}

TEST_F(WebWindow, TheTreeAndTheFolderListing) {
  fs::create_directories(dir_ / "site" / "b10" / "deep");
  fs::create_directories(dir_ / "site" / "b9");
  fs::create_directories(dir_ / "site" / ".hidden");
  writeFile(dir_ / "site" / "a.htm", "<p>x</p>");
  writeFile(dir_ / "site" / "zero.htm", "");
  writeFile(dir_ / "site" / "notes.txt", "text");
  writeFile(dir_ / "site" / ".secret.htm", "x");
  fs::resize_file(dir_ / "site" / "a.htm", 3221225472);  // a 3 GiB file (sparse)
  fs::last_write_time(dir_ / "site" / "zero.htm",        // dated the epoch
                      std::chrono::file_clock::from_sys(std::chrono::sys_seconds{}));

  ShellTree* tree = w->tree();
  QTreeWidgetItem* root = tree->topLevelItem(0);
  EXPECT_EQ(root->text(0), "Máy tính");
  ASSERT_EQ(root->childCount(), 1);
  QTreeWidgetItem* scratch = root->child(0);
  // Selected before it was opened: filled at once, and opening it adds nothing twice.
  tree->setCurrentItem(scratch);
  EXPECT_EQ(w->currentFolder(), QString::fromStdString(dir_.string()));
  ASSERT_EQ(scratch->childCount(), 1);
  EXPECT_EQ(scratch->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);  // made since
  QTreeWidgetItem* site = scratch->child(0);
  tree->setCurrentItem(site);
  EXPECT_EQ(texts(w->folderList()), (QStringList{"b9", "b10", "a.htm", "zero.htm"}));
  EXPECT_EQ(w->folderList()->topLevelItem(2)->text(1), "3,221,225,472");
  EXPECT_EQ(w->folderList()->topLevelItem(3)->text(1), "0");
  EXPECT_EQ(w->folderList()->topLevelItem(0)->text(1), "");
  for (int row : {2, 3})
    EXPECT_TRUE(QRegularExpression(R"(^\d\d/\d\d/\d{4} \d\d:\d\d$)")
                    .match(w->folderList()->topLevelItem(row)->text(3))
                    .hasMatch())
        << w->folderList()->topLevelItem(row)->text(3).toStdString();
  EXPECT_TRUE(w->folderList()->topLevelItem(3)->text(3).contains("/19")) << "the epoch's year";
  // The listing names its folder; its columns hold their texts whole.
  EXPECT_TRUE(w->folderList()->headerItem()->text(0).endsWith(path("site")));
  const QFontMetrics fm(w->folderList()->font());
  EXPECT_GE(w->folderList()->columnWidth(3),
            fm.horizontalAdvance(w->folderList()->topLevelItem(3)->text(3)));
  // A double-click in the tree lists the folder again.
  w->listFolder({});
  emit tree->itemDoubleClicked(site, 0);
  EXPECT_EQ(w->currentFolder(), path("site"));
  EXPECT_FALSE(w->folderList()->topLevelItem(3)->text(2).isEmpty());  // the MIME type's name
  site->setExpanded(true);
  EXPECT_EQ(texts(reinterpret_cast<QTreeWidget*>(tree)).size(), 1);
  QStringList children;
  for (int i = 0; i < site->childCount(); ++i) children << site->child(i)->text(0);
  EXPECT_EQ(children, (QStringList{"b9", "b10"}));  // folders only, numbers by value, no hidden
  site->setExpanded(false);
  site->setExpanded(true);
  EXPECT_EQ(site->childCount(), 2);
  EXPECT_EQ(site->child(0)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
  EXPECT_EQ(site->child(1)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  // Office documents have an entry of their own.
  writeFile(dir_ / "site" / "letter.DOCX", "x");
  auto* types = child<QComboBox>(WebMainWindow::kFileType);
  EXPECT_EQ(types->itemText(4), "Văn bản Office");
  types->setCurrentIndex(4);
  EXPECT_EQ(texts(w->folderList()), (QStringList{"b9", "b10", "letter.DOCX"}));
  // Every file type, and the root that is no folder.
  child<QComboBox>(WebMainWindow::kFileType)->setCurrentIndex(0);
  EXPECT_EQ(texts(w->folderList()),
            (QStringList{"b9", "b10", "a.htm", "letter.DOCX", "notes.txt", "zero.htm"}));
  // Enter in the listing opens the folder chosen, or adds the file chosen to the list; it
  // never starts a run.
  w->activateWindow();
  w->folderList()->setFocus();
  w->folderList()->setCurrentItem(w->folderList()->topLevelItem(3));  // letter.DOCX
  QTest::keyClick(w->folderList(), Qt::Key_Return);
  EXPECT_EQ(w->conversionList(), QStringList{path("site/letter.DOCX")});
  w->folderList()->setCurrentItem(w->folderList()->topLevelItem(1));  // b10
  QTest::keyClick(w->folderList(), Qt::Key_Return);
  EXPECT_EQ(w->currentFolder(), path("site/b10"));
  EXPECT_TRUE(said.isEmpty()) << said.join("\n").toStdString();
  EXPECT_TRUE(fs::exists(dir_ / "site" / "letter.DOCX"));
  w->newList();
  tree->setCurrentItem(root);
  EXPECT_TRUE(w->currentFolder().isEmpty());
  EXPECT_EQ(w->folderList()->topLevelItemCount(), 0);
  // The folder menu adds the folder to the conversion list.
  QMenu* menu = tree->folderMenu(site);
  ASSERT_EQ(menu->actions().size(), 3);
  menu->actions()[1]->trigger();
  EXPECT_EQ(w->conversionList(), QStringList{path("site")});
  delete menu;
}

TEST_F(WebWindow, TheConversionListAndTheSmallWindow) {
  EXPECT_TRUE(w->addPath(path("a.htm")));
  EXPECT_FALSE(w->addPath(path("a.htm")));                        // no duplicates
  const QString longPath = path(std::string(300, 'x') + ".htm");  // longer than 255
  ui::FilesDroppedEvent drop({path("site"), longPath, path("a.htm")}, w->list());
  QCoreApplication::sendEvent(w.get(), &drop);
  EXPECT_EQ(w->conversionList(), (QStringList{path("a.htm"), path("site"), longPath}));
  EXPECT_EQ(texts(w->list()), w->conversionList());
  // Delete removes the selected entries.
  w->list()->topLevelItem(1)->setSelected(true);
  QTest::keyClick(w->list(), Qt::Key_Delete);
  EXPECT_EQ(w->conversionList(), (QStringList{path("a.htm"), longPath}));
  EXPECT_EQ(texts(w->list()), w->conversionList());

  // The small window starts with the list, follows additions and emptying; its own Delete
  // removes its entries only.
  bool checked = false;
  QTimer::singleShot(0, [&] {
    SmallWindow* s = w->smallWindow();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(texts(s->list()), w->conversionList());
    ui::FilesDroppedEvent more({path("b.htm")}, s->list());
    QCoreApplication::sendEvent(s, &more);
    EXPECT_EQ(texts(s->list()).size(), 3);
    EXPECT_EQ(w->conversionList().size(), 3);
    s->list()->topLevelItem(0)->setSelected(true);
    QTest::keyClick(s->list(), Qt::Key_Delete);
    EXPECT_EQ(texts(s->list()).size(), 2);
    EXPECT_EQ(w->conversionList().size(), 3);
    s->findChild<QPushButton*>(SmallWindow::controlName(SmallWindow::kNewList))->click();
    EXPECT_EQ(texts(s->list()).size(), 0);
    EXPECT_TRUE(w->conversionList().isEmpty());
    s->findChild<QPushButton*>(SmallWindow::controlName(SmallWindow::kBack))->click();
    checked = true;
  });
  EXPECT_FALSE(w->runSmallWindow());
  EXPECT_TRUE(checked);
  EXPECT_TRUE(w->isVisible());
  // Converting an empty list says how to fill it.
  w->convert();
  EXPECT_EQ(
      said,
      QStringList{
          "No file has been chosen: double-click one\nor right-click to choose files."})
      << said.join("|").toStdString();
}

TEST_F(WebWindow, AWholeRun) {
  fs::copy(fs::path(EXAMPLES_DIR) / "site", dir_ / "site", fs::copy_options::recursive);
  const std::string before = readFile(dir_ / "site" / "tcvn3" / "index.htm");
  ASSERT_FALSE(before.empty());
  child<QComboBox>(WebMainWindow::kDestination)->setCurrentIndex(38);
  w->addPath(path("site/tcvn3"));
  w->convert();
  ASSERT_EQ(said.size(), 1);
  EXPECT_TRUE(said[0].startsWith("Converted ")) << said[0].toStdString();
  EXPECT_TRUE(w->conversionList().isEmpty());
  EXPECT_EQ(w->list()->topLevelItemCount(), 0);
  EXPECT_EQ(w->windowTitle(), w->keptTitle());
  EXPECT_EQ(readFile(dir_ / "site" / "tcvn3" / "index.htm.bak"), before);
  EXPECT_NE(readFile(dir_ / "site" / "tcvn3" / "index.htm").find("Việt"), std::string::npos);
}

// 2,000 small pages of TCVN3 in `folder`.
void makePages(const fs::path& folder, int count) {
  fs::create_directories(folder);
  std::string body = "<html><head><title>Trang</title></head><body>";
  for (int i = 0; i < 40; ++i) body += "<p>Vi\xD6t Nam \xAE\xABng ph\xBB n\xE9i dung</p>";
  body += "</body></html>";
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%04d.htm", i);
    writeFile(folder / name, body);
  }
}

TEST_F(WebWindow, ALongRunKeepsTheWindowAnsweringAndClosingStopsIt) {
  makePages(dir_ / "many", 2000);
  w->addPath(path("many"));
  // The event loop's delay: a timer asks every 10 ms and the longest gap is kept.
  QElapsedTimer clock;
  qint64 last = 0, longest = 0;
  QTimer probe;
  probe.setInterval(10);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  int titles = 0;
  bool wholeRun = false;
  QObject::connect(w.get(), &QWidget::windowTitleChanged, [&](const QString& t) {
    ++titles;
    wholeRun = wholeRun || t.contains(QRegularExpression("^trang \\d+ / 2000 \u2014 "));
  });
  clock.start();
  probe.start();
  w->convert();
  const qint64 took = clock.elapsed();
  probe.stop();
  std::printf("2000 pages in %lld ms; the event loop's longest delay %lld ms; %d titles\n",
              static_cast<long long>(took), static_cast<long long>(longest), titles);
  EXPECT_LT(longest, 500) << "the window stopped answering";
  EXPECT_TRUE(wholeRun) << "the title shows the run as a whole";
  EXPECT_LE(titles, took / 50 + 5) << "progress is coalesced";
  ASSERT_EQ(said.size(), 1);
  EXPECT_TRUE(said[0].startsWith("Converted 2000 files")) << said[0].toStdString();
  EXPECT_EQ(w->windowTitle(), w->keptTitle());

  // A second run, closed while it runs: the page under way is finished, the run stops, the
  // converted pages have their names, the others are untouched, and the window closes.
  makePages(dir_ / "more", 2000);
  said.clear();
  w->addPath(path("more"));
  QTimer closer;
  closer.setInterval(5);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (w->windowTitle().startsWith("trang ")) {
      closer.stop();
      w->close();
    }
  });
  bool ended = false;
  QObject::connect(w.get(), &WebMainWindow::programEnded, [&] { ended = true; });
  closer.start();
  w->convert();
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(ended);
  int converted = 0, untouched = 0, other = 0;
  for (const auto& e : fs::directory_iterator(dir_ / "more")) {
    const std::string name = e.path().filename().string();
    if (name.ends_with(".bak"))
      ++converted;
    else if (!name.ends_with(".htm"))
      ++other;
    else
      ++untouched;
  }
  EXPECT_GT(converted, 0);
  EXPECT_LT(converted, 2000) << "closing did not stop the run";
  EXPECT_EQ(untouched, 2000);  // every page has its name: converted ones beside their backups
  EXPECT_EQ(other, 0) << "no temporary files are left";
}

TEST_F(WebWindow, TheReportNamesFailuresAndSkippedPagesAboveTheShownWindow) {
  writeFile(dir_ / "ok.htm", "<p>Vi\xD6t</p>");
  writeFile(dir_ / "kept.htm", "<p>Vi\xD6t</p>");
  writeFile(dir_ / "kept.htm.bak", "<p>an old backup</p>");
  fs::create_symlink("ok.htm", dir_ / "link.htm");
  for (const char* p : {"ok.htm", "kept.htm", "link.htm"}) w->addPath(path(p));
  w->convert();
  ASSERT_EQ(said.size(), 1);
  EXPECT_TRUE(said[0].contains(path("kept.htm") + ": its backup")) << said[0].toStdString();
  EXPECT_TRUE(said[0].contains(path("link.htm") + ": a symbolic link")) << said[0].toStdString();

  // Boxes go above the window that is shown; closing the small window ends the program.
  EXPECT_EQ(w->shownWindow(), w.get());
  bool ended = false;
  QObject::connect(w.get(), &WebMainWindow::programEnded, [&] { ended = true; });
  QTimer::singleShot(0, [&] {
    SmallWindow* s = w->smallWindow();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(w->shownWindow(), s);
    s->close();
  });
  EXPECT_TRUE(w->runSmallWindow());
  EXPECT_TRUE(ended);
  EXPECT_FALSE(w->isVisible());
}

TEST_F(WebWindow, ResizingGivesTheSpaceToTheTreeAndTheLists) {
  const QSize design = w->size();
  EXPECT_EQ(w->minimumSize(), design);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  auto* run = child<QPushButton>(WebMainWindow::kRun);
  auto* progress = child<QWidget>(WebMainWindow::kProgress);
  const QRect tree = w->tree()->geometry(), list = w->list()->geometry(),
              listing = w->folderList()->geometry(), button = run->geometry(),
              bar = progress->geometry();
  const int names = w->folderList()->columnWidth(0), sizes = w->folderList()->columnWidth(1);
  w->resize(design + QSize(400, 300));
  QApplication::processEvents();
  EXPECT_GT(w->tree()->height(), tree.height() + 100);
  EXPECT_GT(w->folderList()->width(), listing.width() + 200);
  // The listing's names take its new width; its sizes keep theirs.
  EXPECT_GT(w->folderList()->columnWidth(0), names + 200);
  EXPECT_EQ(w->folderList()->columnWidth(1), sizes);
  EXPECT_GT(w->list()->height(), list.height() + 50);
  EXPECT_EQ(run->geometry().size(), button.size());  // buttons keep their size, at the right
  EXPECT_EQ(run->x(), button.x() + 400);
  EXPECT_EQ(progress->geometry(), bar.adjusted(0, 300, 400, 300));  // at the bottom, wider
  // Nothing overlaps what is beside it.
  EXPECT_LE(w->folderList()->geometry().bottom(), w->list()->y());
  EXPECT_LE(w->list()->geometry().right(), run->x());
  EXPECT_LE(w->tree()->geometry().right(), w->folderList()->x());
  w->resize(design);
  QApplication::processEvents();
  EXPECT_EQ(w->tree()->geometry(), tree);
  EXPECT_EQ(run->geometry(), button);
  // A desktop of larger letters: the window's font and everything laid out in it grow.
  const QFont desktop = QApplication::font();
  QFont large = desktop;
  large.setPointSize(14);
  QApplication::setFont(large);
  {
    WebMainWindow bigger(nullptr, {QString::fromStdString(dir_.string())});
    EXPECT_EQ(bigger.font().pointSize(), 10);
    EXPECT_GT(bigger.width(), design.width());
  }
  QApplication::setFont(desktop);
}

TEST_F(WebWindow, SpeaksEnglishWhereTheUserDoes) {
  // Vietnamese: the windows' own texts, and Qt's buttons in Vietnamese too.
  ASSERT_TRUE(ui::installTranslation(QLocale(QLocale::Vietnamese)));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Có");
  ASSERT_TRUE(ui::installTranslation(QLocale(QLocale::English, QLocale::UnitedStates)));
  {
    WebMainWindow english(nullptr, {QString::fromStdString(dir_.string())});
    EXPECT_EQ(english.findChild<QPushButton*>(WebMainWindow::controlName(WebMainWindow::kRun))->text(),
              "&Convert");
    EXPECT_EQ(english.tree()->topLevelItem(0)->text(0), "Computer");
    EXPECT_EQ(english.folderList()->headerItem()->text(1), "Size");
  }
  // Dates in the form of the language: 9 May 2025 is 09/05/2025 in Vietnamese.
  const std::string dated = (dir_ / "dated.txt").string();
  ts::testing::writeFile(dated, "x");
  QFile file(QString::fromStdString(dated));
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2025, 5, 9), QTime(10, 30)),
                               QFileDevice::FileModificationTime));
  file.close();
  ASSERT_TRUE(ui::installTranslation(QLocale(QLocale::Vietnamese)));
  EXPECT_EQ(FileEntry(QString::fromStdString(dated)).dateText(), "09/05/2025 10:30");
  EXPECT_EQ(groupedDigits(3221225472), "3.221.225.472");  // numbers too
  ui::installTranslation(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(FileEntry(QString::fromStdString(dated)).dateText(), "05/09/2025 10:30");
  ui::removeTranslation();
  WebMainWindow vietnamese(nullptr, {QString::fromStdString(dir_.string())});
  EXPECT_EQ(vietnamese.findChild<QPushButton*>(WebMainWindow::controlName(WebMainWindow::kRun))->text(),
            "&Chuyển đổi");
}

TEST_F(WebWindow, ChoicesAreKeptWhileTheBoxIsTicked) {
  child<QComboBox>(WebMainWindow::kSource)->setCurrentIndex(28);
  child<QComboBox>(WebMainWindow::kDestination)->setCurrentIndex(14);
  child<QComboBox>(WebMainWindow::kFileType)->setCurrentIndex(3);
  child<QCheckBox>(WebMainWindow::kSaveSettings)->setChecked(true);
  w->close();
  {  // One writer for the profile, which holds the lists' column widths too: mode 0600.
    struct stat st {};
    ASSERT_EQ(stat(ts::ui::profilePath().toStdString().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
  {
    WebMainWindow again(nullptr, {QString::fromStdString(dir_.string())});
    EXPECT_EQ(again.findChild<QComboBox*>(WebMainWindow::controlName(WebMainWindow::kSource))->currentIndex(), 28);
    EXPECT_EQ(again.findChild<QComboBox*>(WebMainWindow::controlName(WebMainWindow::kDestination))->currentIndex(), 14);
    EXPECT_EQ(again.findChild<QComboBox*>(WebMainWindow::controlName(WebMainWindow::kFormat))->currentText(), "html - 8-bit");
    EXPECT_EQ(again.findChild<QComboBox*>(WebMainWindow::controlName(WebMainWindow::kFileType))->currentIndex(), 3);
    again.findChild<QCheckBox*>(WebMainWindow::controlName(WebMainWindow::kSaveSettings))->setChecked(false);
    again.close();
  }
  WebMainWindow fresh(nullptr, {QString::fromStdString(dir_.string())});  // unticked: defaults
  EXPECT_EQ(fresh.findChild<QComboBox*>(WebMainWindow::controlName(WebMainWindow::kSource))->currentIndex(), 14);
  EXPECT_FALSE(fresh.findChild<QCheckBox*>(WebMainWindow::controlName(WebMainWindow::kSaveSettings))->isChecked());
}

// Saves PNGs of both windows and the tree's menu when TSWEB_SHOTS names a folder.
TEST_F(WebWindow, Screenshots) {
  const char* folder = std::getenv("TSWEB_SHOTS");
  if (folder == nullptr) GTEST_SKIP() << "TSWEB_SHOTS names no folder";
  fs::create_directories(folder);
  // In Vietnamese throughout, the listing's kinds of files too (the system's names for them).
  ASSERT_TRUE(ui::installTranslation(QLocale(QLocale::Vietnamese)));
  // At double scale the text is drawn in a scalable face, not the bitmap one at its own size.
  EXPECT_EQ(w->font().family(), qApp->devicePixelRatio() > 1.25 ? QString("DejaVu Sans")
                                                                 : QString(ui::kUiFontFamily));
  fs::copy(fs::path(EXAMPLES_DIR) / "site", dir_ / "site", fs::copy_options::recursive);
  writeFile(dir_ / "site" / "notes.txt", "text");
  QTreeWidgetItem* site = w->tree()->reveal(path("site"));
  ASSERT_NE(site, nullptr);
  w->tree()->setCurrentItem(site);
  site->setExpanded(true);
  w->addPath(path("site/tcvn3"));
  w->addPath(path("site/vni/index.htm"));
  QTest::qWait(200);
  auto save = [&](QWidget* widget, const char* name) {
    QApplication::processEvents();
    const QString p = QString("%1/%2.png").arg(folder, name);
    EXPECT_TRUE(widget->grab().save(p)) << p.toStdString();
  };
  save(w.get(), "tsweb-main-window");
  w->resize(1400, 900);
  QTest::qWait(100);
  save(w.get(), "tsweb-main-window-1400x900");
  w->resize(w->minimumSize());
  // The same in English.
  ASSERT_TRUE(ui::installTranslation(QLocale(QLocale::English, QLocale::UnitedStates)));
  {
    WebMainWindow english(nullptr, {QString::fromStdString(dir_.string())});
    english.tree()->setCurrentItem(english.tree()->reveal(path("site")));
    english.addPath(path("site/tcvn3"));
    english.show();
    QTest::qWait(200);
    save(&english, "tsweb-main-window-en");
    english.resize(1400, 900);
    QTest::qWait(100);
    save(&english, "tsweb-main-window-en-1400x900");
  }
  ui::removeTranslation();
  // The source list open at its last entry: reading each file's own charset.
  auto* source = child<QComboBox>(WebMainWindow::kSource);
  source->setCurrentIndex(source->count() - 1);
  source->showPopup();
  QTest::qWait(200);
  save(source->view()->window(), "tsweb-source-list");
  source->hidePopup();
  save(w.get(), "tsweb-main-window-auto");
  source->setCurrentIndex(14);
  QMenu* menu = w->tree()->folderMenu(site);
  menu->popup(w->tree()->viewport()->mapToGlobal(w->tree()->visualItemRect(site).center()));
  QTest::qWait(200);
  save(menu, "tsweb-tree-menu");
  menu->hide();
  delete menu;
  QTimer::singleShot(300, [&] {
    save(w->smallWindow(), "tsweb-small-window");
    w->smallWindow()->findChild<QPushButton*>(SmallWindow::controlName(SmallWindow::kBack))->click();
  });
  w->runSmallWindow();
}

}  // namespace
}  // namespace ts::web::window
