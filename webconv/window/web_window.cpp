#include "web_window.hpp"

#include "ts/platform/registry.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QTimer>
#include <mutex>

#include "file_entry.hpp"
#include "shell_tree.hpp"
#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/text_utils.hpp"
#include "ts/ui/flat_button.hpp"
#include "ts/ui/gradient_progress.hpp"
#include "ts/ui/hyperlink.hpp"
#include "ts/ui/message_box.hpp"
#include "ts/ui/program.hpp"
#include "ts/ui/skin_manager.hpp"
#include "ts/ui/sort_list.hpp"
#include "ts/ui/ui_font.hpp"
#include "ts/ui/window_support.hpp"
#include "ts/version.hpp"
#include "ts/web/convert_settings.hpp"
#include "window_texts.hpp"

namespace ts::web::window {

namespace {

using ui::fromTcvn3;

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The file-type list: what it shows, and the patterns it lists.
struct FileType {
  const char* shown;  // a text of the window (translated), or the patterns themselves
  const char* patterns;
};
const FileType kFileTypes[] = {
    {"*.*", "*.*"},
    {"*.htm, *.html, *.shtml", "*.htm, *.html, *.shtml"},
    {"*.rtf", "*.rtf"},
    {"*.txt", "*.txt"},
    {texts::kOfficeFiles, "*.doc, *.docx, *.odt, *.xls, *.xlsx, *.ods, *.ppt, *.pptx, *.odp"}};
constexpr int kWebCatalogue = kWebOptions.lastCode;
constexpr int kUtf8Format = 1, kEightBitFormat = 6;

// The patterns of a file-type entry ("*.htm, *.html" gives both; "*.*" every file).
QStringList patternsOf(const QString& entry) {
  QStringList p;
  for (const QString& part : entry.split(',', Qt::SkipEmptyParts)) p << part.trimmed();
  return p;
}

// What the worker publishes while a job runs; the window reads it at most every 50 ms, so
// that a run of thousands of pages posts nothing to the window and it keeps answering.
struct RunState {
  std::mutex m;
  QString page;               // the title of the page under way
  std::uint64_t started = 0;  // pages started
  std::uint64_t total = 0;    // about how many the job will convert
  bool changed = false;
};

// The job's observer, on the worker thread.
class WindowObserver : public JobObserver {
 public:
  WindowObserver(RunState& state, std::atomic<bool>& stop) : state_(state), stop_(stop) {}
  void jobStarted(std::uint64_t files) override {
    const std::lock_guard<std::mutex> lock(state_.m);
    state_.total = files;
    state_.changed = true;
  }
  void pageStarted(const std::string&, std::uint64_t, const std::string& title) override {
    const QString t = qs(title);
    const std::lock_guard<std::mutex> lock(state_.m);
    ++state_.started;
    state_.page = t;
    state_.changed = true;
  }
  void message(const std::string& text) override { messages.push_back(qs(text)); }
  bool stopRequested() override { return stop_.load(); }
  std::vector<QString> messages;  // read after the job

 private:
  RunState& state_;
  std::atomic<bool>& stop_;
};

}  // namespace

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(QColor(20, 90, 60), 0.8));
    p.setBrush(QColor(40, 150, 100));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(QColor(220, 240, 230), 0.8));
    p.drawEllipse(QRectF(5, 1, 6, 14));
    p.drawLine(QPointF(1, 8), QPointF(15, 8));
    QFont f("DejaVu Sans");
    f.setPixelSize(8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(8, 7, 8, 9), Qt::AlignCenter, "V");
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

namespace {

using Share = ui::AnchorLayout::Share;
// The left column's part of the extra width; the top's part of the extra height.
constexpr double kLeft = 0.3, kTop = 0.6;

}  // namespace

QString WebMainWindow::controlName(int id) {
  switch (id) {
    case kTree: return "tree";
    case kFolderList: return "folderList";
    case kRun: return "run";
    case kExit: return "exit";
    case kFileType: return "fileType";
    case kFormat: return "format";
    case kSource: return "source";
    case kDestination: return "destination";
    case kConversionList: return "conversionList";
    case kNewList: return "newList";
    case kSaveSettings: return "saveSettings";
    case kHelp: return "help";
    case kWebLink: return "webLink";
    case kMailLink: return "mailLink";
    case kSmall: return "small";
    case kFixHtml: return "fixHtml";
    case kOptimizeHtml: return "optimizeHtml";
    case kProgress: return "progress";
    default: return QString("control%1").arg(id);
  }
}

namespace {

ui::FlatButton* button(QWidget* parent, const QString& name, const QString& text,
                       QStyle::StandardPixmap icon, const QString& tip = {}) {
  auto* b = new ui::FlatButton(text, parent);
  b->setObjectName(name);
  // Enter acts on the control that has the focus: no button of a window is pressed by Enter
  // typed elsewhere (a run started by Enter in the folder listing).
  b->setAutoDefault(false);
  const QIcon i = parent->style()->standardIcon(icon);
  b->setIcons(i, i);
  if (!tip.isEmpty()) b->setTooltipText(tip);
  return b;
}

}  // namespace

QString WebMainWindow::helpPage() {
  const QString installed =
      QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/tessaro/tscvr.htm");
#ifdef TS_SOURCE_HELP
  // Run from the build tree: the page among the sources.
  if (!QFileInfo::exists(installed) && QFileInfo::exists(QString::fromUtf8(TS_SOURCE_HELP)))
    return QString::fromUtf8(TS_SOURCE_HELP);
#endif
  return installed;
}

void WebMainWindow::place(QWidget* w, int x, int y, int cx, int cy,
                          ui::AnchorLayout::Share share) const {
  layout_->place(w, units_, x, y, cx, cy, share);
}

WebMainWindow::WebMainWindow(QWidget* parent, QStringList places) : QDialog(parent) {
  ui::InstallUiFont();
  QFont normal(ui::uiFontFamily());
  normal.setPointSize(ui::uiPointSize());  // the desktop's larger font too
  setFont(normal);
  units_ = ui::DialogUnits(normal);
  // The layout's size is the least; a larger window gives its space to the tree and the
  // lists (the tree and the listing the most of the height, the listing and the conversion
  // list the most of the width).
  const QPoint size = units_.toPixels(520, 312);
  layout_ = new ui::AnchorLayout(this, QSize(size.x(), size.y()));
  resize(size.x(), size.y());
  setWindowIcon(programIcon());
  setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
  // Boxes above the window that is shown (the small window stays on top of everything else).
  notice_ = [this](const QString& t) { ui::ShowMessage(t, shownWindow()); };
  ask_ = [this](const QString& t) {
    return QMessageBox::question(shownWindow(), windowTitle(), t,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };

  buildBrowser(places);
  buildChoices();
  buildConversionList();
  buildCommands();
  buildMore();
  buildFooter();
  title_ = QString("Tessaro Web Converter - Version 1.3 (%1) Build %2").arg(__DATE__, kVersion);
  setWindowTitle(title_);
  restoreChoices();
}

// The folders and the listing of the one chosen.
void WebMainWindow::buildBrowser(const QStringList& places) {
  tree_ = new ShellTree(this, places.isEmpty() ? ShellTree::defaultPlaces() : places);
  tree_->setObjectName(controlName(kTree));
  place(tree_, 7, 26, 150, 150, Share{0, 0, kLeft, kTop});
  connect(tree_, &ShellTree::folderSelected, this, [this](const QString& p) { listFolder(p); });
  connect(tree_, &ShellTree::addRequested, this, [this](const QString& p) { addPath(p); });

  folderList_ = new ui::SortList(this, ui::SortList::Drops::Default);
  folderList_->setObjectName(controlName(kFolderList));
  folderList_->setRootIsDecorated(false);
  folderList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  folderList_->setHeaderLabels({texts::tr(texts::kColName), texts::tr(texts::kColSize),
                                texts::tr(texts::kColType), texts::tr(texts::kColDate)});
  for (const auto& [column, width] : {std::pair{0, 140}, {1, 60}, {2, 60}, {3, 100}})
    folderList_->header()->resizeSection(column, width);
  // The names take the width the window gives the listing; the other columns keep theirs.
  folderList_->header()->setStretchLastSection(false);
  folderList_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  folderList_->setContextMenuPolicy(Qt::CustomContextMenu);
  place(folderList_, 162, 26, 351, 150, Share{kLeft, 0, 1 - kLeft, kTop});
  // A double-click or Enter opens the folder chosen, or adds the file to the list.
  auto openChosen = [this] {
    const QList<QTreeWidgetItem*> s = folderList_->selectedItems();
    if (s.isEmpty()) return;
    const QString path = s.front()->data(0, Qt::UserRole).toString();
    if (QFileInfo(path).isDir())
      listFolder(path);
    else
      addPath(path);
  };
  connect(folderList_, &QTreeWidget::itemDoubleClicked, this, openChosen);
  folderList_->installEventFilter(this);
  enterInListing_ = openChosen;
  connect(folderList_, &QWidget::customContextMenuRequested, this, [this] {
    for (QTreeWidgetItem* item : folderList_->selectedItems())
      addPath(item->data(0, Qt::UserRole).toString());
  });
}

// What is converted and how: the files, the format, the charsets.
void WebMainWindow::buildChoices() {
  auto label = [this](const QString& text, int x, int y, int cx) {
    auto* l = new QLabel(text, this);
    place(l, x, y, cx, 9, Share{0, kTop, kLeft, 0});
  };
  auto combo = [this](int id, int x, int y) {
    auto* c = new QComboBox(this);
    c->setObjectName(controlName(id));
    place(c, x, y, 150, 12, Share{0, kTop, kLeft, 0});
    commands_.push_back(c);
    return c;
  };
  label(texts::tr(texts::kFileTypeLabel), 7, 181, 150);
  fileType_ = combo(kFileType, 7, 190);
  for (const FileType& t : kFileTypes)
    fileType_->addItem(
        t.shown == texts::kOfficeFiles ? texts::tr(t.shown) : QString::fromLatin1(t.shown),
        QString::fromLatin1(t.patterns));
  fileType_->setCurrentIndex(1);
  connect(fileType_, &QComboBox::currentIndexChanged, this, [this] { listFolder(folder_); });
  label(texts::tr(texts::kFormatLabel), 7, 204, 150);
  format_ = combo(kFormat, 7, 213);
  for (const auto& f : outputFormats()) format_->addItem(QString::fromLatin1(f.name));
  format_->setCurrentIndex(kUtf8Format);
  label(texts::tr(texts::kSourceLabel), 7, 227, 150);
  source_ = combo(kSource, 7, 236);
  label(texts::tr(texts::kDestinationLabel), 7, 250, 150);
  destination_ = combo(kDestination, 7, 259);
  for (int code = 1; code <= kWebCatalogue; ++code) {
    const QString line = QString::fromLatin1(nameLine(code, kWebCatalogue).c_str());
    source_->addItem(line);
    destination_->addItem(line);
  }
  // Last, so that the positions of the charsets stay as profiles saved them.
  source_->addItem(texts::tr(texts::kAutoSource));
  source_->setCurrentIndex(14);
  destination_->setCurrentIndex(38);
  connect(destination_, &QComboBox::currentIndexChanged, this, [this](int position) {
    format_->setCurrentIndex(position > 37 ? kUtf8Format : kEightBitFormat);
  });
}

void WebMainWindow::buildConversionList() {
  list_ = new ui::SortList(this, ui::SortList::Drops::ToParent);
  list_->setObjectName(controlName(kConversionList));
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setHeaderLabels({texts::tr(texts::kListColumn)});
  list_->header()->resizeSection(0, 340);
  list_->setAcceptDrops(true);
  list_->installEventFilter(this);
  place(list_, 162, 181, 270, 78, Share{kLeft, kTop, 1 - kLeft, 1 - kTop});
}

// The buttons at the right: run, new list, help, small window, exit.
void WebMainWindow::buildCommands() {
  auto* run = button(this, controlName(kRun), texts::tr(texts::kConvert), QStyle::SP_MediaPlay);
  place(run, 437, 181, 76, 15, Share{1, kTop, 0, 0});
  connect(run, &QPushButton::clicked, this, [this] { convert(); });
  auto* fresh = button(this, controlName(kNewList), texts::tr(texts::kNewList), QStyle::SP_FileIcon);
  place(fresh, 437, 197, 76, 15, Share{1, kTop, 0, 0});
  connect(fresh, &QPushButton::clicked, this, [this] { newList(); });
  auto* help = button(this, controlName(kHelp), texts::tr(texts::kHelp), QStyle::SP_DialogHelpButton);
  place(help, 437, 213, 76, 15, Share{1, kTop, 0, 0});
  connect(help, &QPushButton::clicked, this, [this] {
    const QString page = helpPage();
    if (!QFileInfo::exists(page))
      notice_(texts::tr(texts::kNoHelp).arg(page));
    else if (!QProcess::startDetached("xdg-open", {page}))
      notice_(texts::tr(texts::kHelpNotOpened).arg(page));
  });
  auto* small = button(this, controlName(kSmall), "<<<<", QStyle::SP_TitleBarMinButton,
                       texts::tr(texts::kSmallTip));
  place(small, 437, 229, 76, 15, Share{1, kTop, 0, 0});
  connect(small, &QPushButton::clicked, this, [this] { runSmallWindow(); });
  auto* exit = button(this, controlName(kExit), texts::tr(texts::kExit), QStyle::SP_DialogCloseButton);
  place(exit, 437, 245, 76, 15, Share{1, kTop, 0, 0});
  connect(exit, &QPushButton::clicked, this, [this] {
    if (running_)
      stop_ = true;  // the page under way is finished, then the run ends
    else
      close();
  });
  exit_ = exit;
  for (QWidget* w : std::initializer_list<QWidget*>{run, fresh, small, exit})
    commands_.push_back(w);
}

// The more choices: what is not built yet is said, not hidden.
void WebMainWindow::buildMore() {
  auto* more = new QGroupBox(texts::tr(texts::kMoreGroup), this);
  place(more, 162, 260, 351, 26, Share{kLeft, 1, 1 - kLeft, 0});
  auto check = [&](int id, const char* text, int x, int cx) {
    auto* c = new QCheckBox(texts::tr(text), more);
    c->setObjectName(controlName(id));
    units_.place(c, x, 11, cx, 10);
    return c;
  };
  QCheckBox* fix = check(kFixHtml, texts::kFixHtml, 6, 100);
  save_ = check(kSaveSettings, texts::kSaveSettings, 120, 90);
  QCheckBox* optimize = check(kOptimizeHtml, texts::kOptimizeHtml, 220, 90);
  for (QCheckBox* c : {fix, optimize}) {  // nothing of them is built yet: said, not hidden
    c->setEnabled(false);
    c->setToolTip(texts::tr(texts::kNotYet));
  }
}

// The progress bar and the links.
void WebMainWindow::buildFooter() {
  progress_ = new ui::GradientProgress(this);
  progress_->setObjectName(controlName(kProgress));
  place(progress_, 7, 289, 506, 7, Share{0, 1, 1, 0});

  auto* web = new ui::HyperLink(this);
  web->setObjectName(controlName(kWebLink));
  web->setText(QString::fromLatin1(ui::kWebAddress));
  web->setTarget(QString::fromLatin1(ui::kWebAddress));
  place(web, 7, 300, 120, 8, Share{0, 1, 0, 0});
  auto* mail = new ui::HyperLink(this);
  mail->setObjectName(controlName(kMailLink));
  mail->setText(QString::fromLatin1(ui::kEmailAddress));
  mail->setTarget(QString("mailto:") + ui::kEmailAddress);
  place(mail, 393, 300, 120, 8, Share{1, 1, 0, 0});
}

WebMainWindow::~WebMainWindow() = default;

// The choices live in the program's profile beside the lists' column widths, written by the
// one writer of that file (its mode 0600 whoever writes first).
void WebMainWindow::restoreChoices() {
  const platform::Registry profile(ui::profilePath().toStdString(), "Choices");
  if (profile.get("Save").value_or("false") != "true") return;
  save_->setChecked(true);
  auto restore = [&](QComboBox* c, const char* key) {
    const std::optional<std::string> v = profile.get(key);
    bool ok = false;
    const int i = v ? QString::fromStdString(*v).toInt(&ok) : -1;
    if (ok && i >= 0 && i < c->count()) c->setCurrentIndex(i);
  };
  restore(fileType_, "FileType");
  restore(source_, "Source");
  restore(destination_, "Destination");
  restore(format_, "Format");  // after the destination, which sets a format of its own
}

void WebMainWindow::saveChoices() const {
  platform::Registry profile(ui::profilePath().toStdString(), "Choices");
  profile.set("Save", save_->isChecked() ? "true" : "false");
  if (save_->isChecked()) {
    profile.set("FileType", std::to_string(fileType_->currentIndex()));
    profile.set("Source", std::to_string(source_->currentIndex()));
    profile.set("Destination", std::to_string(destination_->currentIndex()));
    profile.set("Format", std::to_string(format_->currentIndex()));
  }
  profile.save();
}

bool WebMainWindow::addPath(const QString& path) {
  if (running_ || !job_.add(path.toStdString())) return false;
  auto* item = new QTreeWidgetItem(list_, {path});
  item->setToolTip(0, path);
  if (small_ != nullptr) small_->add(path);
  return true;
}

QStringList WebMainWindow::conversionList() const {
  QStringList l;
  for (const auto& p : job_.list()) l << qs(p);
  return l;
}

void WebMainWindow::newList() {
  job_.clear();
  list_->clear();
  if (small_ != nullptr) small_->clearList();
}

void WebMainWindow::listFolder(const QString& path) {
  folderList_->clear();
  folder_ = path;
  // The listing says which folder it shows.
  folderList_->headerItem()->setText(0, path.isEmpty() ? texts::tr(texts::kColName)
                                                       : texts::tr(texts::kColName) + "  \u2014  " +
                                                             QDir::toNativeSeparators(path));
  folderList_->headerItem()->setToolTip(0, path);
  if (path.isEmpty()) return;
  QDir dir(path);
  // Hidden entries (dot names) are left out; folders first, then the files of the chosen type.
  QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  QStringList files =
      dir.entryList(patternsOf(fileType_->currentData().toString()), QDir::Files | QDir::System);
  ShellTree::sortNames(folders);
  ShellTree::sortNames(files);
  for (const QStringList* names : {&folders, &files}) {
    for (const QString& name : *names) {
      const FileEntry e(QFileInfo(dir.filePath(name)));
      auto* item = new QTreeWidgetItem(folderList_,
                                       {e.displayName(), e.sizeText(), e.typeName(), e.dateText()});
      item->setIcon(0, e.icon());
      item->setData(0, Qt::UserRole, e.path());
      item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
  }
  // Sizes, types and dates whole; the user can still resize every column.
  for (int column = 1; column <= 3; ++column) {
    folderList_->resizeColumnToContents(column);
    const int header = folderList_->header()->fontMetrics().horizontalAdvance(
                           folderList_->headerItem()->text(column)) +
                       20;  // the section's margins and its sort arrow
    if (folderList_->columnWidth(column) < header) folderList_->setColumnWidth(column, header);
  }
}

void WebMainWindow::convert(QWidget* titleOwner, ui::GradientProgress* bar) {
  if (running_) return;
  if (titleOwner == nullptr) titleOwner = this;
  if (bar == nullptr) bar = progress_;
  const OutputFormat* format = findFormat(format_->currentText().toStdString());
  const ConvertSettings settings = format->settings(
      source_->currentIndex() < kWebCatalogue ? source_->currentIndex() + 1 : kAutoSource,
      destination_->currentIndex() + 1);
  running_ = true;
  stop_ = false;
  // "Kết thúc" stays: during the run it stops it after the page under way.
  for (QWidget* w : commands_) w->setEnabled(w == exit_);
  if (small_ != nullptr) small_->running(true);
  const QString kept = titleOwner->windowTitle();
  RunState state;
  WindowObserver observer(state, stop_);
  // The run as a whole: "trang 455 / 2000" and the page under way in the title, the bar over
  // the run.
  bar->setBounds(0, 100);
  QTimer shown;
  shown.setInterval(50);
  connect(&shown, &QTimer::timeout, titleOwner, [&] {
    QString page;
    std::uint64_t started = 0, total = 0;
    {
      const std::lock_guard<std::mutex> lock(state.m);
      if (!state.changed) return;
      state.changed = false;
      page = state.page;
      started = state.started;
      total = std::max(state.total, state.started);
    }
    titleOwner->setWindowTitle(texts::tr(texts::kRunProgress).arg(started).arg(total).arg(page));
    bar->setPosition(total == 0 ? 0 : static_cast<int>(started * 100 / total));
  });
  shown.start();
  QString failure;
  ui::runOffTheUiThread([&] {
    try {
      job_.run(settings, observer);
    } catch (const std::exception& e) {  // said in a box, never across the thread
      failure = QString::fromUtf8(e.what());
    }
  });
  shown.stop();
  bar->setPosition(100);
  titleOwner->setWindowTitle(kept);
  for (QWidget* w : commands_) w->setEnabled(true);
  if (small_ != nullptr) small_->running(false);
  running_ = false;
  list_->clear();  // the job empties its list
  job_.clear();
  if (small_ != nullptr) small_->clearList();
  for (const QString& m : observer.messages) notice_(m);
  if (!failure.isEmpty()) notice_(texts::tr(texts::kRunError).arg(failure));
  if (closeAfterRun_) endProgram();
}

void WebMainWindow::endProgram() {
  closeAfterRun_ = false;
  if (small_ != nullptr) {
    small_->endProgram();  // its exec() returns, and runSmallWindow ends the program
    return;
  }
  close();
  emit programEnded();
}

QWidget* WebMainWindow::shownWindow() {
  return small_ != nullptr && small_->isVisible() ? static_cast<QWidget*>(small_) : this;
}

bool WebMainWindow::runSmallWindow() {
  SmallWindow small(this);
  small_ = &small;
  hide();
  small.exec();
  small_ = nullptr;
  if (small.endedProgram()) {
    // The main window is hidden: closing it would not end the program by itself.
    close();
    emit programEnded();
    return true;
  }
  show();
  return false;
}

bool WebMainWindow::event(QEvent* e) {
  if (e->type() == ui::FilesDroppedEvent::kType) {
    for (const QString& p : static_cast<ui::FilesDroppedEvent*>(e)->paths()) addPath(p);
    return true;
  }
  return QDialog::event(e);
}

bool WebMainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == folderList_ && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      enterInListing_();
      return true;
    }
  }
  if (watched == list_ && e->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete && !running_) {
    for (QTreeWidgetItem* item : list_->selectedItems()) {
      std::vector<std::string> rest;
      const std::string path = item->text(0).toStdString();
      for (const auto& p : job_.list())
        if (p != path) rest.push_back(p);
      job_.clear();
      for (const auto& p : rest) job_.add(p);
      delete item;
    }
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

void WebMainWindow::closeEvent(QCloseEvent* e) {
  if (running_) {
    // The page under way is finished, the converted ones get their names back, then it closes.
    stop_ = true;
    closeAfterRun_ = true;
    e->ignore();
    return;
  }
  saveChoices();
  QDialog::closeEvent(e);
  if (!isVisible()) emit programEnded();
}

void WebMainWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() != Qt::Key_Escape) {
    QDialog::keyPressEvent(e);
    return;
  }
  // Escape closes the window as closing does, and asks first where a list or a run would be
  // lost.
  e->accept();
  if ((running_ || !job_.list().empty()) &&
      !ask_(texts::tr(running_ ? texts::kAskStop : texts::kAskDropList)))
    return;
  close();
}

void WebMainWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  ui::paintBanner(p, *this, texts::tr(texts::kCaption), {321, 19}, programIcon());
}

QString SmallWindow::controlName(int id) {
  switch (id) {
    case kList: return "list";
    case kRun: return "run";
    case kNewList: return "newList";
    case kExit: return "exit";
    case kBack: return "back";
    case kProgress: return "progress";
    default: return QString("control%1").arg(id);
  }
}

SmallWindow::SmallWindow(WebMainWindow* main) : QDialog(main->parentWidget()), main_(main) {
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFont(main->font());
  setWindowTitle(main->windowTitle());
  setWindowIcon(main->windowIcon());
  const ui::DialogUnits units(font());
  auto place = [&](QWidget* w, int x, int y, int cx, int cy) { units.place(w, x, y, cx, cy); };
  const QPoint size = units.toPixels(230, 104);
  setFixedSize(size.x(), size.y());
  list_ = new ui::SortList(this, ui::SortList::Drops::ToParent);
  list_->setObjectName(controlName(kList));
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setHeaderLabels({texts::tr(texts::kSmallColumn)});
  list_->header()->resizeSection(0, 256);
  list_->setProfilePlace(ui::profilePath(), "Settings", "SmallControl");
  list_->installEventFilter(this);
  place(list_, 4, 4, 222, 70);
  auto* run = button(this, controlName(kRun), "", QStyle::SP_MediaPlay, texts::tr(texts::kRunTip));
  place(run, 4, 78, 40, 14);
  connect(run, &QPushButton::clicked, this, [this] {
    main_->convert(this, progress_);
    setWindowTitle(main_->keptTitle());
  });
  auto* fresh = button(this, controlName(kNewList), "", QStyle::SP_FileIcon, texts::tr(texts::kNewListTip));
  place(fresh, 48, 78, 40, 14);
  connect(fresh, &QPushButton::clicked, this, [this] { main_->newList(); });
  auto* exit = button(this, controlName(kExit), "", QStyle::SP_DialogCloseButton,
                     texts::tr(texts::kExitTip));
  place(exit, 92, 78, 40, 14);
  connect(exit, &QPushButton::clicked, this, [this] {
    if (main_->running())
      main_->stop_ = true;  // the page under way is finished, then the run ends
    else
      close();
  });
  auto* back =
      button(this, controlName(kBack), ">>>", QStyle::SP_TitleBarMaxButton,
                     texts::tr(texts::kBackTip));
  place(back, 186, 78, 40, 14);
  connect(back, &QPushButton::clicked, this, [this] {
    back_ = true;
    accept();
  });
  progress_ = new ui::GradientProgress(this);
  progress_->setObjectName(controlName(kProgress));
  place(progress_, 4, 95, 222, 6);
  for (const QString& p : main->conversionList()) add(p);
}

void SmallWindow::add(const QString& path) {
  for (int i = 0; i < list_->topLevelItemCount(); ++i)
    if (list_->topLevelItem(i)->text(0) == path) return;
  new QTreeWidgetItem(list_, {path});
}

void SmallWindow::clearList() { list_->clear(); }

bool SmallWindow::event(QEvent* e) {
  if (e->type() == ui::FilesDroppedEvent::kType) {
    for (const QString& p : static_cast<ui::FilesDroppedEvent*>(e)->paths()) {
      main_->addPath(p);  // the main list, and this one through it
      add(p);
    }
    return true;
  }
  return QDialog::event(e);
}

bool SmallWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == list_ && e->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
    qDeleteAll(list_->selectedItems());  // this list only
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

void SmallWindow::running(bool on) {
  // During a run only "Kết thúc" answers: it stops the run.
  for (QWidget* w : findChildren<QWidget*>())
    if (qobject_cast<QAbstractButton*>(w) != nullptr && w->objectName() != controlName(kExit))
      w->setEnabled(!on);
  list_->setEnabled(!on);
}

void SmallWindow::endProgram() {
  ended_ = true;
  done(QDialog::Rejected);
}

void SmallWindow::closeEvent(QCloseEvent* e) {
  if (main_->running()) {
    // Closing ends the program: after asking, the page under way is finished and the run
    // stops, then the program ends.
    e->ignore();
    if (main_->ask_(texts::tr(texts::kAskStop))) {
      main_->stop_ = true;
      main_->closeAfterRun_ = true;
    }
    return;
  }
  if (!back_) ended_ = true;  // closing the small window ends the program
  QDialog::closeEvent(e);
}

int runWindow(int argc, char** argv, decltype(BatchJob::documents) documents) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tsweb");
  ui::installTranslation();
  ui::SkinManager::instance().install(nullptr, ui::SkinManager::kDialogMode);
  WebMainWindow window;
  window.setDocuments(std::move(documents));
  // Closing either window ends the program, though the other may be hidden.
  QObject::connect(&window, &WebMainWindow::programEnded, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  window.show();
  const int rc = app.exec();
  ui::SkinManager::instance().remove();
  return rc;
}

}  // namespace ts::web::window
