#include "web_window.hpp"

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
#include <QPainter>
#include <QProcess>
#include <QSettings>

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

const char* const kFileTypes[] = {"*.*", "*.htm, *.html, *.shtml", "*.rtf", "*.txt"};
constexpr int kWebCatalogue = kWebOptions.lastCode;
constexpr int kUtf8Format = 1, kEightBitFormat = 6;

// The patterns of a file-type entry ("*.htm, *.html" gives both; "*.*" every file).
QStringList patternsOf(const QString& entry) {
  QStringList p;
  for (const QString& part : entry.split(',', Qt::SkipEmptyParts)) p << part.trimmed();
  return p;
}

// The job's observer: called on the worker thread, it hands everything to the window.
class WindowObserver : public JobObserver {
 public:
  WindowObserver(QWidget* titleOwner, ui::GradientProgress* bar, QString title,
                 std::atomic<bool>& stop)
      : owner_(titleOwner), bar_(bar), title_(std::move(title)), stop_(stop) {}
  void pageStarted(const std::string&, std::uint64_t, const std::string& title) override {
    ticks_ = 0;
    const QString t = qs(title);
    QMetaObject::invokeMethod(
        owner_, [o = owner_, t] { o->setWindowTitle(t); }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        bar_,
        [b = bar_] {
          b->setBounds(1, 100);
          b->setStep(2);
        },
        Qt::QueuedConnection);
  }
  void tick() override {
    ++ticks_;
    if (ticks_ > kMinimumTicks) return;
    const int pos = progressPosition(ticks_);
    QMetaObject::invokeMethod(
        bar_, [b = bar_, pos] { b->setPosition(pos); }, Qt::QueuedConnection);
  }
  void titleRestored() override {
    QMetaObject::invokeMethod(
        owner_, [o = owner_, t = title_] { o->setWindowTitle(t); }, Qt::QueuedConnection);
  }
  void message(const std::string& text) override { messages.push_back(qs(text)); }
  bool stopRequested() override { return stop_.load(); }
  std::vector<QString> messages;

 private:
  QWidget* owner_;
  ui::GradientProgress* bar_;
  QString title_;
  std::atomic<bool>& stop_;
  std::uint64_t ticks_ = 0;
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

ui::FlatButton* button(QWidget* parent, int id, const QString& text, QStyle::StandardPixmap icon,
                       const QString& tip = {}) {
  auto* b = new ui::FlatButton(text, parent);
  b->setObjectName(QString::number(id));
  const QIcon i = parent->style()->standardIcon(icon);
  b->setIcons(i, i);
  if (!tip.isEmpty()) b->setTooltipText(tip);
  return b;
}

}  // namespace

QString WebMainWindow::helpPage() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/tessaro/tscvr.htm");
}

void WebMainWindow::place(QWidget* w, int x, int y, int cx, int cy) const {
  units_.place(w, x, y, cx, cy);
}

WebMainWindow::WebMainWindow(QWidget* parent, QStringList places) : QDialog(parent) {
  ui::InstallUiFont();
  QFont normal(QString::fromLatin1(ui::kUiFontFamily));
  normal.setPointSize(8);
  setFont(normal);
  units_ = ui::DialogUnits(normal);
  const QPoint size = units_.toPixels(520, 312);
  setFixedSize(size.x(), size.y());
  setWindowIcon(programIcon());
  setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
  notice_ = [this](const QString& t) { ui::ShowMessage(t, this); };

  tree_ = new ShellTree(this, places.isEmpty() ? ShellTree::defaultPlaces() : places);
  tree_->setObjectName(QString::number(kTree));
  place(tree_, 7, 26, 150, 150);
  connect(tree_, &ShellTree::folderSelected, this, [this](const QString& p) { listFolder(p); });
  connect(tree_, &ShellTree::addRequested, this, [this](const QString& p) { addPath(p); });

  folderList_ = new ui::SortList(this, ui::SortList::Drops::Default);
  folderList_->setObjectName(QString::number(kFolderList));
  folderList_->setRootIsDecorated(false);
  folderList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  folderList_->setHeaderLabels({fromTcvn3(texts::kColName), fromTcvn3(texts::kColSize),
                                fromTcvn3(texts::kColType), fromTcvn3(texts::kColDate)});
  for (const auto& [column, width] : {std::pair{0, 140}, {1, 60}, {2, 60}, {3, 100}})
    folderList_->header()->resizeSection(column, width);
  folderList_->setContextMenuPolicy(Qt::CustomContextMenu);
  place(folderList_, 162, 26, 351, 150);
  connect(folderList_, &QTreeWidget::itemDoubleClicked, this, [this] {
    const QList<QTreeWidgetItem*> s = folderList_->selectedItems();
    if (s.isEmpty()) return;
    const QString path = s.front()->data(0, Qt::UserRole).toString();
    if (QFileInfo(path).isDir())
      listFolder(path);
    else
      addPath(path);
  });
  connect(folderList_, &QWidget::customContextMenuRequested, this, [this] {
    for (QTreeWidgetItem* item : folderList_->selectedItems())
      addPath(item->data(0, Qt::UserRole).toString());
  });

  auto label = [this](const QString& text, int x, int y, int cx) {
    auto* l = new QLabel(text, this);
    place(l, x, y, cx, 9);
  };
  auto combo = [this](int id, int x, int y) {
    auto* c = new QComboBox(this);
    c->setObjectName(QString::number(id));
    place(c, x, y, 150, 12);
    commands_.push_back(c);
    return c;
  };
  label(fromTcvn3(texts::kFileTypeLabel), 7, 181, 150);
  fileType_ = combo(kFileType, 7, 190);
  for (const char* t : kFileTypes) fileType_->addItem(QString::fromLatin1(t));
  fileType_->setCurrentIndex(1);
  connect(fileType_, &QComboBox::currentIndexChanged, this, [this] { listFolder(folder_); });
  label(fromTcvn3(texts::kFormatLabel), 7, 204, 150);
  format_ = combo(kFormat, 7, 213);
  for (const auto& f : outputFormats()) format_->addItem(QString::fromLatin1(f.name));
  format_->setCurrentIndex(kUtf8Format);
  label(fromTcvn3(texts::kSourceLabel), 7, 227, 150);
  source_ = combo(kSource, 7, 236);
  label(fromTcvn3(texts::kDestinationLabel), 7, 250, 150);
  destination_ = combo(kDestination, 7, 259);
  for (int code = 1; code <= kWebCatalogue; ++code) {
    const QString line = QString::fromLatin1(nameLine(code, kWebCatalogue).c_str());
    source_->addItem(line);
    destination_->addItem(line);
  }
  // Last, so that the positions of the charsets stay as profiles saved them.
  source_->addItem(QString::fromUtf8("T\u1EF1 nh\u1EADn d\u1EA1ng"));
  source_->setCurrentIndex(14);
  destination_->setCurrentIndex(38);
  connect(destination_, &QComboBox::currentIndexChanged, this, [this](int position) {
    format_->setCurrentIndex(position > 37 ? kUtf8Format : kEightBitFormat);
  });

  list_ = new ui::SortList(this, ui::SortList::Drops::ToParent);
  list_->setObjectName(QString::number(kConversionList));
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setHeaderLabels({fromTcvn3(texts::kListColumn)});
  list_->header()->resizeSection(0, 340);
  list_->setAcceptDrops(true);
  list_->installEventFilter(this);
  place(list_, 162, 181, 270, 78);

  auto* run = button(this, kRun, fromTcvn3(texts::kConvert), QStyle::SP_MediaPlay);
  place(run, 437, 181, 76, 15);
  connect(run, &QPushButton::clicked, this, [this] { convert(); });
  auto* fresh = button(this, kNewList, fromTcvn3(texts::kNewList), QStyle::SP_FileIcon);
  place(fresh, 437, 197, 76, 15);
  connect(fresh, &QPushButton::clicked, this, [this] { newList(); });
  auto* help = button(this, kHelp, fromTcvn3(texts::kHelp), QStyle::SP_DialogHelpButton);
  place(help, 437, 213, 76, 15);
  connect(help, &QPushButton::clicked, this, [] {
    // Nothing is reported when the page does not open.
    QProcess::startDetached("xdg-open", {helpPage()});
  });
  auto* small = button(this, kSmall, "<<<<", QStyle::SP_TitleBarMinButton,
                       "Thu nho cua so va` luo^n noi tre^n ma`n hi`nh");
  place(small, 437, 229, 76, 15);
  connect(small, &QPushButton::clicked, this, [this] { runSmallWindow(); });
  auto* exit = button(this, kExit, fromTcvn3(texts::kExit), QStyle::SP_DialogCloseButton);
  place(exit, 437, 245, 76, 15);
  connect(exit, &QPushButton::clicked, this, &QWidget::close);
  for (QWidget* w : std::initializer_list<QWidget*>{run, fresh, small, exit})
    commands_.push_back(w);

  auto* more = new QGroupBox(fromTcvn3(texts::kMoreGroup), this);
  place(more, 162, 260, 351, 26);
  auto check = [&](int id, const char* text, int x, int cx) {
    auto* c = new QCheckBox(fromTcvn3(text), more);
    c->setObjectName(QString::number(id));
    units_.place(c, x, 11, cx, 10);
    return c;
  };
  QCheckBox* fix = check(kFixHtml, texts::kFixHtml, 6, 100);
  save_ = check(kSaveSettings, texts::kSaveSettings, 120, 90);
  QCheckBox* optimize = check(kOptimizeHtml, texts::kOptimizeHtml, 220, 90);
  for (QCheckBox* c : {fix, optimize}) {  // nothing of them is built yet: said, not hidden
    c->setEnabled(false);
    c->setToolTip(fromTcvn3(texts::kNotYet));
  }

  progress_ = new ui::GradientProgress(this);
  progress_->setObjectName(QString::number(kProgress));
  place(progress_, 7, 289, 506, 7);

  auto* web = new ui::HyperLink(this);
  web->setObjectName(QString::number(kWebLink));
  web->setText(QString::fromLatin1(ui::kWebAddress));
  web->setTarget(QString::fromLatin1(ui::kWebAddress));
  place(web, 7, 300, 120, 8);
  auto* mail = new ui::HyperLink(this);
  mail->setObjectName(QString::number(kMailLink));
  mail->setText(QString::fromLatin1(ui::kEmailAddress));
  mail->setTarget(QString("mailto:") + ui::kEmailAddress);
  place(mail, 393, 300, 120, 8);

  title_ = QString("Tessaro Web Converter - Version 1.3 (%1) Build %2").arg(__DATE__, kVersion);
  setWindowTitle(title_);
  restoreChoices();
}

WebMainWindow::~WebMainWindow() = default;

void WebMainWindow::restoreChoices() {
  QSettings profile(ui::profilePath(), QSettings::IniFormat);
  profile.beginGroup("Choices");
  if (!profile.value("Save", false).toBool()) return;
  save_->setChecked(true);
  auto restore = [&](QComboBox* c, const char* key) {
    const int i = profile.value(key, c->currentIndex()).toInt();
    if (i >= 0 && i < c->count()) c->setCurrentIndex(i);
  };
  restore(fileType_, "FileType");
  restore(source_, "Source");
  restore(destination_, "Destination");
  restore(format_, "Format");  // after the destination, which sets a format of its own
}

void WebMainWindow::saveChoices() const {
  QSettings profile(ui::profilePath(), QSettings::IniFormat);
  profile.beginGroup("Choices");
  profile.setValue("Save", save_->isChecked());
  if (!save_->isChecked()) return;
  profile.setValue("FileType", fileType_->currentIndex());
  profile.setValue("Source", source_->currentIndex());
  profile.setValue("Destination", destination_->currentIndex());
  profile.setValue("Format", format_->currentIndex());
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
  if (path.isEmpty()) return;
  QDir dir(path);
  // Hidden entries (dot names) are left out; folders first, then the files of the chosen type.
  QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  QStringList files =
      dir.entryList(patternsOf(fileType_->currentText()), QDir::Files | QDir::System);
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
  for (QWidget* w : commands_) w->setEnabled(false);
  if (small_ != nullptr) small_->setEnabled(false);
  WindowObserver observer(titleOwner, bar, titleOwner->windowTitle(), stop_);
  ui::runOffTheUiThread([&] { job_.run(settings, observer); });
  for (QWidget* w : commands_) w->setEnabled(true);
  if (small_ != nullptr) small_->setEnabled(true);
  running_ = false;
  list_->clear();  // the job empties its list
  if (small_ != nullptr) small_->clearList();
  for (const QString& m : observer.messages) notice_(m);
  if (closeAfterRun_) close();
}

bool WebMainWindow::runSmallWindow() {
  SmallWindow small(this);
  small_ = &small;
  hide();
  small.exec();
  small_ = nullptr;
  if (small.endedProgram()) {
    close();
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
}

void WebMainWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  ui::paintBanner(p, *this, fromTcvn3(texts::kCaption), {321, 19}, programIcon());
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
  list_->setObjectName(QString::number(kList));
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setHeaderLabels({fromTcvn3(texts::kSmallColumn)});
  list_->header()->resizeSection(0, 256);
  list_->setProfilePlace(ui::profilePath(), "Settings", "SmallControl");
  list_->installEventFilter(this);
  place(list_, 4, 4, 222, 70);
  auto* run = button(this, kRun, "", QStyle::SP_MediaPlay, "Chuyen doi ma/font");
  place(run, 4, 78, 40, 14);
  connect(run, &QPushButton::clicked, this, [this] {
    main_->convert(this, progress_);
    setWindowTitle(main_->keptTitle());
  });
  auto* fresh = button(this, kNewList, "", QStyle::SP_FileIcon, "Tao danh sach moi");
  place(fresh, 48, 78, 40, 14);
  connect(fresh, &QPushButton::clicked, this, [this] { main_->newList(); });
  auto* exit = button(this, kExit, "", QStyle::SP_DialogCloseButton, "Ket thuc chuong trinh");
  place(exit, 92, 78, 40, 14);
  connect(exit, &QPushButton::clicked, this, &QWidget::close);
  auto* back =
      button(this, kBack, ">>>", QStyle::SP_TitleBarMaxButton, "Ve cua so chinh cua chuong trinh");
  place(back, 186, 78, 40, 14);
  connect(back, &QPushButton::clicked, this, [this] {
    back_ = true;
    accept();
  });
  progress_ = new ui::GradientProgress(this);
  progress_->setObjectName(QString::number(kProgress));
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

void SmallWindow::closeEvent(QCloseEvent* e) {
  if (main_->running()) {
    e->ignore();
    return;
  }
  if (!back_) ended_ = true;  // closing the small window ends the program
  QDialog::closeEvent(e);
}

int runWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tsweb");
  ui::SkinManager::instance().install(nullptr, ui::SkinManager::kDialogMode);
  WebMainWindow window;
  window.show();
  const int rc = app.exec();
  ui::SkinManager::instance().remove();
  return rc;
}

}  // namespace ts::web::window
