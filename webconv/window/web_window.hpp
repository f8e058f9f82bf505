// The web converter's windows: the main window (folder tree, folder listing, charsets,
// format, the conversion list) and the small window that stays on top and takes drops.
#pragma once

#include <QDialog>
#include <QIcon>
#include <atomic>
#include <functional>

#include "ts/ui/window_support.hpp"
#include "ts/web/batch_job.hpp"

class QCheckBox;
class QComboBox;
class QTreeWidget;

namespace ts::ui {
class GradientProgress;
class SortList;
}  // namespace ts::ui

namespace ts::web::window {

class ShellTree;
class SmallWindow;

class WebMainWindow : public QDialog {
  Q_OBJECT
 public:
  enum Id {
    kTree = 1000,
    kFolderList = 1001,
    kRun = 1007,
    kExit = 1008,
    kFileType = 1009,
    kFormat = 1010,
    kSource = 1011,
    kDestination = 1012,
    kConversionList = 1013,
    kNewList = 1014,
    kSaveSettings = 1015,
    kHelp = 1016,
    kWebLink = 1017,
    kMailLink = 1018,
    kSmall = 1020,
    kFixHtml = 1006,
    kOptimizeHtml = 1021,
    kProgress = 1023,
  };
  // The object name of a control: "run", "source".
  static QString controlName(int id);

  // `places`: the folders under the tree's root (default: the desktop's).
  explicit WebMainWindow(QWidget* parent = nullptr, QStringList places = {});
  ~WebMainWindow() override;

  // How the window tells the user and asks (tests record instead of showing the boxes).
  void setNotice(std::function<void(const QString&)> n) { notice_ = std::move(n); }
  // How office documents are converted (the program's office).
  void setDocuments(decltype(BatchJob::documents) d) { job_.documents = std::move(d); }
  // The window boxes are put above: the small window while it is shown, else this one.
  QWidget* shownWindow();

  // The conversion list.
  bool addPath(const QString& path);  // false when listed already
  QStringList conversionList() const;
  void newList();
  // Lists a folder in the folder listing (an empty path empties it).
  void listFolder(const QString& path);
  QString currentFolder() const { return folder_; }
  // Runs the batch job over the conversion list, with `title` and `bar` following it.
  void convert(QWidget* titleOwner = nullptr, ui::GradientProgress* bar = nullptr);
  // Switches to the small window until it closes; true when it ended the program.
  bool runSmallWindow();
  SmallWindow* smallWindow() const { return small_; }
  ShellTree* tree() const { return tree_; }
  ui::SortList* folderList() const { return folderList_; }
  ui::SortList* list() const { return list_; }
  QString keptTitle() const { return title_; }
  bool running() const { return running_; }
  // The help page and the command that opens it.
  static QString helpPage();

 signals:
  // The user ended the program (by either window): the application quits.
  void programEnded();

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // The parts of the window, built in turn by the constructor.
  void buildBrowser(const QStringList& places);
  void buildChoices();
  void buildConversionList();
  void buildCommands();
  void buildMore();
  void buildFooter();
  friend class SmallWindow;
  // After a run the user asked to end: the program ends.
  void endProgram();
  void restoreChoices();
  void saveChoices() const;
  void listed(const QString& path);  // the small window follows

  std::function<void(const QString&)> notice_;
  std::function<bool(const QString&)> ask_;
  std::function<void()> enterInListing_;
  QWidget* exit_ = nullptr;
  BatchJob job_;
  QString folder_;
  QString title_;
  bool running_ = false;
  bool closeAfterRun_ = false;
  std::atomic<bool> stop_{false};
  ShellTree* tree_ = nullptr;
  ui::SortList* folderList_ = nullptr;
  ui::SortList* list_ = nullptr;
  QComboBox* fileType_ = nullptr;
  QComboBox* format_ = nullptr;
  QComboBox* source_ = nullptr;
  QComboBox* destination_ = nullptr;
  QCheckBox* save_ = nullptr;
  ui::GradientProgress* progress_ = nullptr;
  SmallWindow* small_ = nullptr;
  std::vector<QWidget*> commands_;
  ui::DialogUnits units_{QFont()};
  ui::AnchorLayout* layout_ = nullptr;
  void place(QWidget* w, int x, int y, int cx, int cy,
             ui::AnchorLayout::Share share = ui::AnchorLayout::Share{0, 0, 0, 0}) const;
};

// The small window: a copy of the conversion list that takes drops, and the run.
class SmallWindow : public QDialog {
  Q_OBJECT
 public:
  enum Id {
    kList = 1021,
    kRun = 1022,
    kNewList = 1023,
    kExit = 1024,
    kBack = 1025,
    kProgress = 1026
  };
  static QString controlName(int id);
  explicit SmallWindow(WebMainWindow* main);
  ui::SortList* list() const { return list_; }
  void add(const QString& path);
  void clearList();
  bool endedProgram() const { return ended_; }
  // During a run: only the exit button answers (it stops the run).
  void running(bool on);
  // Ends the program: the window closes as if the user had closed it.
  void endProgram();

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  WebMainWindow* main_;
  ui::SortList* list_;
  ui::GradientProgress* progress_;
  bool ended_ = false;
  bool back_ = false;
};

// The program's icon (a globe with a "V"), also for the window.
QIcon programIcon();

// `documents`: how office documents are converted (BatchJob::documents), none where unset.
int runWindow(int argc, char** argv, decltype(BatchJob::documents) documents = {});

}  // namespace ts::web::window
