#include "db_window.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSet>
#include <QStandardItemModel>
#include <QTreeWidget>
#include <tuple>

#include "icons.hpp"
#include "odbc_dialog.hpp"
#include "server_dialog.hpp"
#include "texts.hpp"
#include "ts/catalogue.hpp"
#include "ts/db/odbc.hpp"
#include "ts/db/postgres.hpp"
#include "ts/platform/messages.hpp"
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

namespace ts::db::window {

namespace {

// The upper part's share of the extra height (the trees and lists); the navigation tree,
// the panels and their buttons take the rest.
constexpr double kUpperShare = 0.75;
constexpr double kLeft = 0.3;  // the left column's part of the extra width
using Share = ui::AnchorLayout::Share;

// The caption of the boxes that warn.
QString warningCaption() { return texts::tr(texts::kWarningCaption); }

}  // namespace

namespace {

using ui::fromTcvn3;

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The database types of the open panel, in list order.
const char* const kDatabaseTypes[] = {
    "Access",      "dBASE III",  "dBASE IV",    "dBASE 5",     "Paradox 3.x", "Paradox 4.x",
    "Paradox 5.x", "FoxPro 2.0", "FoxPro 2.5",  "FoxPro 2.6",  "Excel 3.0",   "Excel 4.0",
    "Excel 5.0",   "Excel 97",   "HTML Import", "HTML Export", "Text"};


// dBASE III, IV, 5 and FoxPro 2.0, 2.5, 2.6 in the list: one .dbf file, one table.
bool isDbaseType(int index) { return (index >= 1 && index <= 3) || (index >= 7 && index <= 9); }

// A value as the window shows it: UTF-8 as it is; other bytes as the source charset of the
// conversion panel reads them, so that the user sees whether that choice is right.
QString valueText(const std::string& s, int source) {
  const QString u = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
  if (!u.contains(QChar::ReplacementCharacter)) return u;
  ConverterState read;
  selectPair(read, static_cast<std::uint32_t>(source), kUtf8);
  const std::string converted = convert(read, s);
  const QString c = qs(converted);
  if (!c.contains(QChar::ReplacementCharacter)) return c;
  QString w;  // bytes no charset reads: as Windows-1252
  for (const unsigned char b : s) w += qs(std::string(windows1252Utf8(b).view()));
  return w;
}

// The navigation items: text, nesting flag (0 starts a group, 1 an item, 2 the group's last),
// and the panel each one shows.
struct NavItem {
  const char* text;
  int flag;
  DbMainWindow::Panel panel;
};
const NavItem kNavItems[] = {{texts::kNav1, 0, DbMainWindow::kVersionPanel},
                             {texts::kNav2, 1, DbMainWindow::kAdoPanel},
                             {texts::kNav3, 1, DbMainWindow::kOpenPanel},
                             {texts::kNav4, 2, DbMainWindow::kOdbcPanel},
                             {texts::kNav5, 1, DbMainWindow::kConversionPanel},
                             {texts::kNav6, 1, DbMainWindow::kVersionPanel},
                             {texts::kNav7, 0, DbMainWindow::kVersionPanel},
                             {texts::kNav8, 1, DbMainWindow::kVersionPanel},
                             {texts::kNav9, 1, DbMainWindow::kVersionPanel},
                             {texts::kNav10, 2, DbMainWindow::kVersionPanel},
                             {texts::kNav11, 0, DbMainWindow::kVersionPanel},
                             {texts::kNav12, 1, DbMainWindow::kVersionPanel},
                             {texts::kNav13, 1, DbMainWindow::kVersionPanel}};

// The run's observer: called on the worker thread, it hands everything to the window's.
class WindowObserver : public RunObserver {
 public:
  WindowObserver(QObject* window, ui::GradientProgress* bar, std::atomic<bool>& stop)
      : window_(window), bar_(bar), stop_(stop) {}
  void caption(const std::string& text) override {
    const QString t = qs(text);
    QMetaObject::invokeMethod(
        window_, [w = window_, t] { static_cast<QWidget*>(w)->setWindowTitle(t); },
        Qt::QueuedConnection);
  }
  void position(int pos) override {
    QMetaObject::invokeMethod(
        bar_, [b = bar_, pos] { b->setPosition(pos); }, Qt::QueuedConnection);
  }
  void step(std::uint64_t, std::uint64_t) override {
    QMetaObject::invokeMethod(
        bar_, [b = bar_] { b->stepIt(); }, Qt::QueuedConnection);
  }
  bool stopRequested() override { return stop_.load(); }

 private:
  QObject* window_;
  ui::GradientProgress* bar_;
  std::atomic<bool>& stop_;
};

}  // namespace

QString samplePath() {
  const QString installed =
      QCoreApplication::applicationDirPath() + "/../share/tessaro/examples/legacy.db";
  if (QFileInfo::exists(installed)) return QDir::cleanPath(installed);
#ifdef TS_SOURCE_EXAMPLES
  // Run from the build tree: the example of the sources.
  const QString source = QString::fromUtf8(TS_SOURCE_EXAMPLES) + "/db/legacy.db";
  if (QFileInfo::exists(source)) return source;
#endif
  return QDir::homePath() + "/legacy.db";
}

void DbMainWindow::place(QWidget* w, int x, int y, int cx, int cy,
                         ui::AnchorLayout::Share share) const {
  layout_->place(w, units_, x, y, cx, cy, share);
}

DbMainWindow::DbMainWindow(QWidget* parent) : QDialog(parent) {
  ui::InstallUiFont();
  QFont normal(ui::uiFontFamily());
  normal.setPointSize(ui::uiPointSize());  // the desktop's larger font too
  setFont(normal);
  units_ = ui::DialogUnits(normal);
  // The layout's size is the least; a larger window gives its space to the trees, the lists
  // and the data view.
  const QPoint size = units_.toPixels(489, 314);
  layout_ = new ui::AnchorLayout(this, QSize(size.x(), size.y()));
  resize(size.x(), size.y());
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
  setWindowIcon(programIcon());
  setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);

  setUpTalk();
  buildViews();
  buildCommands();
  buildPanels();
  buildNavigation();
  // The leading blank belongs to the caption.
  caption_ = QString(" Tessaro Data Tools - Version 1.3 (%1) Build %2").arg(__DATE__, kVersion);
  setWindowTitle(caption_);
}

// How the window tells and asks: message boxes (the tests record instead).
void DbMainWindow::setUpTalk() {
  talk_.notice = [this](const QString& t) { ui::ShowMessage(t, this); };
  talk_.box = [this](const QString& t, const QString& c) { QMessageBox::information(this, c, t); };
  talk_.ask = [this](const QString& t, const QString& c) {
    return QMessageBox::question(this, c, t, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  talk_.askNo = [this](const QString& t, const QString& c) {
    return QMessageBox::question(this, c, t, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
  };
  talk_.about = [this] {
    QMessageBox box(this);
    box.setWindowTitle("About TSdata");
    box.setIconPixmap(programIcon().pixmap(32, 32));
    box.setText(QString("TSdata Version 1.0\n\nTessaro ") + kVersion);
    box.exec();
  };
  talk_.retry = [this](const QString& t) {
    return QMessageBox::question(this, "TSdata", t, QMessageBox::Retry | QMessageBox::Cancel) ==
           QMessageBox::Retry;
  };
}

// The schema trees and lists of the three back ends, on top of each other.
void DbMainWindow::buildViews() {
  auto makeTree = [this](int id) {
    auto* t = new QTreeWidget(this);
    t->setObjectName(controlName(id));
    t->setHeaderHidden(true);
    t->setIconSize(QSize(16, 16));
    place(t, 7, 26, 146, 158, Share{0, 0, kLeft, kUpperShare});
    return t;
  };
  auto makeList = [this](int id) {
    auto* l = new ui::SortTable(this);
    l->setObjectName(controlName(id));
    l->setShowGrid(true);
    l->verticalHeader()->hide();
    place(l, 159, 26, 323, 157, Share{kLeft, 0, 1 - kLeft, kUpperShare});
    return l;
  };
  // Each kind of connection has its view: the servers (ADO), the files (DAO), ODBC.
  for (const auto& [mode, treeId, listId] :
       {std::tuple{BackendMode::kAdo, kAdoTree, kAdoList},
        {BackendMode::kDao, kDaoTree, kDaoList},
        {BackendMode::kOdbc, kOdbcTree, kOdbcList}}) {
    View& v = views_[mode];
    v.tree = makeTree(treeId);
    v.list = makeList(listId);
    v.model = new QStandardItemModel(this);
    v.list->setModel(v.model);
    QTreeWidget* tree = v.tree;
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->installEventFilter(this);
    connect(tree, &QTreeWidget::itemChanged, this, [this, tree](QTreeWidgetItem* item, int column) {
      if (!filling_ && column == 0 && tree == view().tree) boxClicked(item);
    });
    connect(tree, &QTreeWidget::itemSelectionChanged, this, [this, tree] {
      if (tree == view().tree) selectionChanged();
    });
    connect(tree, &QWidget::customContextMenuRequested, this, [this, tree](const QPoint& at) {
      if (tree == view().tree) contextMenu(at);
    });
  }
  showView();
}

// The progress bar, the buttons at the right and the links.
void DbMainWindow::buildCommands() {
  progress_ = new ui::GradientProgress(this);
  progress_->setObjectName(controlName(kProgress));
  progress_->setBounds(1, 100);
  progress_->setStep(1);
  place(progress_, 7, 293, 475, 8, Share{0, 1, 1, 0});

  auto button = [this](int id, const QString& text, ButtonIcon icon, const QString& tip) {
    auto* b = new ui::FlatButton(text, this);
    b->setObjectName(controlName(id));
    const QIcon i = buttonIcon(icon);
    b->setIcons(i, i);
    if (!tip.isEmpty()) b->setTooltipText(tip);
    commandWidgets_.push_back(b);
    return b;
  };
  auto* data = button(kShowData, "", ButtonIcon::kData, texts::tr(texts::kShowDataTip));
  place(data, 398, 188, 84, 16, Share{1, kUpperShare, 0, 0});
  connect(data, &QPushButton::clicked, this, [this] {
    if (mode_ != BackendMode::kNone && tableSelected_) showTableData(selectedTable());
  });
  auto* structure =
      button(kShowStructure, "", ButtonIcon::kStructure, texts::tr(texts::kShowStructureTip));
  place(structure, 398, 206, 84, 16, Share{1, kUpperShare, 0, 0});
  connect(structure, &QPushButton::clicked, this, [this] {
    if (tableSelected_) showTableStructure(selectedTable());
  });
  auto* about = button(kAbout, "", ButtonIcon::kAbout, "TSdata Version 1.0");
  place(about, 398, 224, 84, 16, Share{1, kUpperShare, 0, 0});
  connect(about, &QPushButton::clicked, this, [this] { talk_.about(); });
  auto* exit =
      button(kExit, texts::tr(texts::kExit), ButtonIcon::kExit, texts::tr(texts::kExitTip));
  place(exit, 398, 271, 84, 16, Share{1, 1, 0, 0});
  connect(exit, &QPushButton::clicked, this, &QWidget::close);
  auto* web = new ui::HyperLink(this);
  web->setObjectName(controlName(kWebLink));
  web->setText(QString::fromLatin1(ui::kWebAddress));
  web->setTarget(QString::fromLatin1(ui::kWebAddress));
  place(web, 7, 303, 120, 8, Share{0, 1, 0, 0});
  auto* mail = new ui::HyperLink(this);
  mail->setObjectName(controlName(kMailLink));
  mail->setText(QString::fromLatin1(ui::kEmailAddress));
  mail->setTarget(QString("mailto:") + ui::kEmailAddress);
  place(mail, 362, 303, 120, 8, Share{1, 1, 0, 0});
}

DbMainWindow::~DbMainWindow() = default;

int DbMainWindow::shownCharset() const {
  return shownCharset_ != 0 ? shownCharset_ : source_->currentIndex() + 1;
}

QString DbMainWindow::controlName(int id) {
  switch (id) {
    case kDaoTree: return "daoTree";
    case kOdbcTree: return "odbcTree";
    case kDaoList: return "daoList";
    case kOdbcList: return "odbcList";
    case kAdoTree: return "adoTree";
    case kNavigation: return "navigation";
    case kAdoList: return "adoList";
    case kShowData: return "showData";
    case kShowStructure: return "showStructure";
    case kProgress: return "progress";
    case kExit: return "exit";
    case kWebLink: return "webLink";
    case kMailLink: return "mailLink";
    case kAbout: return "about";
    case kSource: return "source";
    case kDestination: return "destination";
    case kConvert: return "convert";
    case kSizeWarning: return "sizeWarning";
    case kGuess: return "guess";
    case kSevenBit: return "sevenBit";
    case kUpper: return "upper";
    case kLower: return "lower";
    case kPath: return "path";
    case kBrowse: return "browse";
    case kUser: return "user";
    case kPassword: return "password";
    case kOpenOdbc: return "openOdbc";
    case kDatabaseType: return "databaseType";
    case kReadOnly: return "readOnly";
    case kExclusive: return "exclusive";
    case kDsn: return "dsn";
    case kCursorLibrary: return "cursorLibrary";
    case kOdbcConnect: return "connect";
    case kOdbcSources: return "odbcSources";
    case kAdoDialog: return "adoDialog";
    case kMariaDialog: return "mariaDialog";
    case kVersionPanel: return "versionPanel";
    case kConversionPanel: return "conversionPanel";
    case kOpenPanel: return "openPanel";
    case kOdbcPanel: return "odbcPanel";
    case kAdoPanel: return "adoPanel";
    default: return QString("control%1").arg(id);
  }
}

QWidget* DbMainWindow::panel(Panel p) const { return findChild<QWidget*>(controlName(p)); }

QWidget* DbMainWindow::makePanel(Panel id) {
  auto* p = new QWidget(this);
  p->setObjectName(controlName(id));
  p->setProperty("panel", static_cast<int>(id));
  place(p, 159, 188, 233, 101, ui::AnchorLayout::Share{0.3, kUpperShare, 0, 0});
  p->hide();
  return p;
}

QLabel* DbMainWindow::panelLabel(QWidget* parent, const QString& text, int x, int y, int cx) {
  auto* l = new QLabel(text, parent);
  const QPoint at = units_.toPixels(x, y), extent = units_.toPixels(cx, 9);
  l->setGeometry(at.x(), at.y(), extent.x(), extent.y());
  return l;
}

ui::FlatButton* DbMainWindow::panelButton(QWidget* parent, int id, const QString& text,
                                          ButtonIcon icon) {
  auto* b = new ui::FlatButton(text, parent);
  b->setObjectName(controlName(id));
  const QIcon i = buttonIcon(icon);
  b->setIcons(i, i);
  commandWidgets_.push_back(b);
  return b;
}

void DbMainWindow::connectionEdits(QWidget* panel, int width) {
  for (const auto& [id, caption, y] :
       {std::tuple{kDsn, QString("DSN:"), 2}, {kUser, texts::tr(texts::kUserName), 17},
        {kPassword, texts::tr(texts::kPasswordLabel), 32}}) {
    panelLabel(panel, caption, 4, y + 2, 50);
    auto* e = new QLineEdit(panel);
    e->setObjectName(controlName(id));
    if (id == kPassword) e->setEchoMode(QLineEdit::Password);
    place(e, 56, y, width, 12);
  }
}

void DbMainWindow::buildPanels() {
  buildConversionPanel();
  buildOpenPanel();
  buildOdbcPanel();
  buildAdoPanel();
  buildVersionPanel();
}

// The charsets, the conversions and the case changes.
void DbMainWindow::buildConversionPanel() {
  QWidget* conversion = makePanel(kConversionPanel);
  panelLabel(conversion, texts::tr(texts::kSourceLabel), 4, 4, 60);
  panelLabel(conversion, texts::tr(texts::kDestinationLabel), 4, 19, 60);
  source_ = new QComboBox(conversion);
  destination_ = new QComboBox(conversion);
  source_->setObjectName(controlName(kSource));
  destination_->setObjectName(controlName(kDestination));
  for (int code = 1; code <= kCatalogueSize; ++code) {
    char line[96];
    std::snprintf(line, sizeof line, " %02d   -   %s", code,
                  std::string(charsetName(code)).c_str());
    source_->addItem(QString::fromLatin1(line));
    destination_->addItem(QString::fromLatin1(line));
  }
  source_->setCurrentIndex(14);
  destination_->setCurrentIndex(38);
  connect(source_, &QComboBox::currentIndexChanged, this, [this] { shownCharset_ = 0; });
  place(source_, 66, 2, 162, 12);
  place(destination_, 66, 17, 162, 12);
  auto* convert = panelButton(conversion, kConvert, texts::tr(texts::kConvert), ButtonIcon::kConvert);
  place(convert, 4, 36, 72, 16);
  connect(convert, &QPushButton::clicked, this, [this] { convertMarked(); });
  auto* guess = panelButton(conversion, kGuess, texts::tr(texts::kGuess), ButtonIcon::kGuess);
  place(guess, 80, 36, 72, 16);
  connect(guess, &QPushButton::clicked, this, [this] { guessMarked(); });
  auto* seven = panelButton(conversion, kSevenBit, texts::tr(texts::kSevenBit), ButtonIcon::kSevenBit);
  place(seven, 156, 36, 74, 16);
  connect(seven, &QPushButton::clicked, this,
          [this] { changeMarked(ValueConverter::Operation::kStripMarks); });
  auto* upper = panelButton(conversion, kUpper, texts::tr(texts::kUpper), ButtonIcon::kUpper);
  place(upper, 4, 56, 110, 16);
  connect(upper, &QPushButton::clicked, this,
          [this] { changeMarked(ValueConverter::Operation::kUpper); });
  auto* lower = panelButton(conversion, kLower, texts::tr(texts::kLower), ButtonIcon::kLower);
  place(lower, 118, 56, 112, 16);
  connect(lower, &QPushButton::clicked, this,
          [this] { changeMarked(ValueConverter::Operation::kLower); });
  auto* warning = new QCheckBox(texts::tr(texts::kSizeWarning), conversion);
  warning->setObjectName(controlName(kSizeWarning));
  place(warning, 4, 80, 120, 10);
  commandWidgets_.push_back(source_);
  commandWidgets_.push_back(destination_);
}

// A database file: its path, its type and how it is opened.
void DbMainWindow::buildOpenPanel() {
  QWidget* open = makePanel(kOpenPanel);
  panelLabel(open, texts::tr(texts::kPathLabel), 4, 3, 150);
  path_ = new QLineEdit(samplePath(), open);
  path_->setObjectName(controlName(kPath));
  place(path_, 4, 13, 196, 12);
  auto* browse = panelButton(open, kBrowse, ". . .", ButtonIcon::kBrowse);
  place(browse, 202, 12, 28, 14);
  connect(path_, &QLineEdit::returnPressed, this, [this] { openDatabase(path_->text()); });
  connect(browse, &QPushButton::clicked, this, [this] {
    // The dialog starts where the typed path is (its folder, or the folder it names).
    const QFileInfo typed(path_->text());
    const QString start = typed.isDir() ? typed.filePath() : typed.path();
    const QString chosen =
        QFileDialog::getOpenFileName(this, {}, start,
                                     isDbaseType(databaseType_->currentIndex())
                                         ? "dBASE, FoxPro (*.dbf *.DBF);;All files (*)"
                                         : "SQLite (*.db *.sqlite *.sqlite3);;All files (*)");
    if (!chosen.isEmpty()) openDatabase(chosen);
  });
  panelLabel(open, texts::tr(texts::kUserName), 4, 30, 50);
  auto* user = new QLineEdit("admin", open);
  user->setObjectName(controlName(kUser));
  place(user, 56, 28, 60, 12);
  panelLabel(open, texts::tr(texts::kPasswordLabel), 120, 30, 44);
  auto* password = new QLineEdit(open);
  password->setObjectName(controlName(kPassword));
  password->setEchoMode(QLineEdit::Password);
  place(password, 166, 28, 64, 12);
  panelLabel(open, texts::tr(texts::kTypeLabel), 4, 46, 50);
  databaseType_ = new QComboBox(open);
  databaseType_->setObjectName(controlName(kDatabaseType));
  int n = 0;
  for (const char* t : kDatabaseTypes)
    databaseType_->addItem(QString::asprintf(" %02d  -  %s", ++n, t));
  // What Linux has no reader for here is listed with the rest, but disabled, with
  // the reason.
  if (auto* model = qobject_cast<QStandardItemModel*>(databaseType_->model()))
    for (int i = 0; i < databaseType_->count(); ++i) {
      if (i == 0 || isDbaseType(i)) continue;
      QStandardItem* item = model->item(i);
      item->setEnabled(false);
      item->setToolTip(QString("%1 files cannot be opened on Linux by this program: move the "
                               "data into SQLite, or reach it through ODBC")
                           .arg(kDatabaseTypes[i]));
    }
  databaseType_->setItemData(0, "SQLite databases (and Access files moved into SQLite)",
                             Qt::ToolTipRole);
  place(databaseType_, 56, 44, 100, 12);
  readOnly_ = new QCheckBox(texts::tr(texts::kReadOnlyBox), open);
  readOnly_->setObjectName(controlName(kReadOnly));
  place(readOnly_, 4, 62, 60, 10);
  auto* exclusive = new QCheckBox(texts::tr(texts::kExclusiveBox), open);
  exclusive->setObjectName(controlName(kExclusive));
  place(exclusive, 70, 62, 60, 10);
  auto* odbc = panelButton(open, kOpenOdbc, texts::tr(texts::kOpenOdbc), ButtonIcon::kOdbc);
  place(odbc, 150, 78, 80, 16);
  connect(odbc, &QPushButton::clicked, this, [this] {
    // ODBC sources are reached from their own panel.
    QTreeWidgetItemIterator it(navigation_);
    for (; *it; ++it)
      if (panels_.at(static_cast<std::size_t>((*it)->data(0, Qt::UserRole).toInt())) ==
          panel(kOdbcPanel))
        navigation_->setCurrentItem(*it);
  });
}

// An ODBC data source: its name, the user and the password.
void DbMainWindow::buildOdbcPanel() {
  QWidget* odbcPanel = makePanel(kOdbcPanel);
  connectionEdits(odbcPanel, 172);
  auto box = [&](int id, const QString& caption, int x, int cx) {
    auto* b = new QCheckBox(caption, odbcPanel);
    b->setObjectName(controlName(id));
    place(b, x, 50, cx, 10);
  };
  box(kCursorLibrary, texts::tr(texts::kCursorLibraryBox), 4, 70);
  box(kReadOnly, texts::tr(texts::kReadOnlyBox), 80, 60);
  box(kExclusive, texts::tr(texts::kExclusiveBox), 146, 60);
  auto* connectButton = panelButton(odbcPanel, kOdbcConnect, "&OK", ButtonIcon::kConvert);
  place(connectButton, 4, 68, 60, 16);
  connect(connectButton, &QPushButton::clicked, this, [this] { connectOdbcPanel(); });
  auto* sources = panelButton(odbcPanel, kOdbcSources, "ODBC Data Sources", ButtonIcon::kOdbc);
  place(sources, 70, 68, 100, 16);
  connect(sources, &QPushButton::clicked, this, [this] { chooseOdbcSource(); });
}

// A PostgreSQL server: its edits are not read; both buttons open the connection dialog.
void DbMainWindow::buildAdoPanel() {
  QWidget* adoPanel = makePanel(kAdoPanel);
  connectionEdits(adoPanel, 150);
  auto* adoDialog = panelButton(adoPanel, kAdoDialog, "ADO Dialog", ButtonIcon::kOdbc);
  place(adoDialog, 4, 52, 90, 16);
  connect(adoDialog, &QPushButton::clicked, this,
          [this] { connectServerDialog(ServerDialog::Server::kPostgres); });
  auto* adoOk = panelButton(adoPanel, kOdbcConnect, "&OK", ButtonIcon::kConvert);
  place(adoOk, 100, 52, 60, 16);
  connect(adoOk, &QPushButton::clicked, this,
          [this] { connectServerDialog(ServerDialog::Server::kPostgres); });
  // MariaDB and MySQL servers, beside PostgreSQL's.
  auto* maria = panelButton(adoPanel, kMariaDialog, "&MariaDB / MySQL", ButtonIcon::kOdbc);
  place(maria, 4, 72, 110, 16);
  connect(maria, &QPushButton::clicked, this,
          [this] { connectServerDialog(ServerDialog::Server::kMariaDb); });
}

void DbMainWindow::buildVersionPanel() {
  QWidget* version = makePanel(kVersionPanel);
  auto* icon = new QLabel(version);
  icon->setPixmap(programIcon().pixmap(32, 32));
  place(icon, 8, 8, 24, 24);
  panelLabel(version, "TSdata Version 1.0", 40, 14, 120);
  auto* ok = new QPushButton("OK", version);
  ok->setObjectName("versionOk");
  place(ok, 176, 80, 50, 14);
}

void DbMainWindow::buildNavigation() {
  navigation_ = new QTreeWidget(this);
  navigation_->setObjectName(controlName(kNavigation));
  navigation_->setHeaderHidden(true);
  navigation_->setFont(font());
  place(navigation_, 7, 188, 146, 101,
        ui::AnchorLayout::Share{0, kUpperShare, 0.3, 1 - kUpperShare});
  const QIcon icons[] = {kindIcon(ItemKind::kTables),   buttonIcon(ButtonIcon::kOdbc),
                         kindIcon(ItemKind::kDatabase), buttonIcon(ButtonIcon::kConvert),
                         kindIcon(ItemKind::kQuery),    buttonIcon(ButtonIcon::kData),
                         buttonIcon(ButtonIcon::kAbout)};
  const int iconOf[] = {0, 1, 2, 1, 3, 4, 5, -1, -1, -1, 6, -1, -1};
  QTreeWidgetItem* group = nullptr;
  int index = 0;
  for (const NavItem& n : kNavItems) {
    QTreeWidgetItem* item = n.flag == 0 || group == nullptr ? new QTreeWidgetItem(navigation_)
                                                            : new QTreeWidgetItem(group);
    item->setText(0, texts::tr(n.text));
    item->setData(0, Qt::UserRole, index);
    if (iconOf[index] >= 0) item->setIcon(0, icons[iconOf[index]]);
    item->setSizeHint(0, QSize(0, QFontMetrics(font()).height() + 6));
    if (n.flag == 0) group = item;
    if (n.flag == 2) group = nullptr;
    panels_.push_back(panel(n.panel));
    ++index;
  }
  navigation_->expandAll();
  connect(navigation_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item != nullptr) showPanel(item->data(0, Qt::UserRole).toInt());
  });
  commandWidgets_.push_back(navigation_);
}

void DbMainWindow::showPanel(int index) {
  QWidget* next = panels_.at(static_cast<std::size_t>(index));
  for (QWidget* p : panels_)
    if (p != next) p->hide();
  next->show();
  shown_ = next->property("panel").toInt();
}

void DbMainWindow::setMode(BackendMode m) {
  mode_ = m;
  showView();
}

void DbMainWindow::showView() {
  for (auto& [mode, v] : views_) {
    const bool shown = &v == &view();
    v.tree->setVisible(shown);
    v.list->setVisible(shown);
  }
}

bool DbMainWindow::connectOdbc(const QString& connectionString, bool cursorLibrary) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    std::unique_ptr<Backend> b = ts::db::connectOdbc(connectionString.toStdString(), cursorLibrary);
    views_[BackendMode::kOdbc].backend = std::move(b);  // the previous connection is closed
    setMode(BackendMode::kOdbc);
    fillTree();
  } catch (const DbError& e) {
    QApplication::restoreOverrideCursor();
    talk_.box(qs(e.what()), "TSdata");  // the driver's diagnostics
    return false;
  }
  QApplication::restoreOverrideCursor();
  return true;
}

namespace {

QString textOf(QWidget* panel, int id) {
  return panel->findChild<QLineEdit*>(DbMainWindow::controlName(id))->text();
}

}  // namespace

bool DbMainWindow::connectOdbcPanel() {
  QWidget* p = panel(kOdbcPanel);
  const std::string connection =
      odbcConnectString(textOf(p, kDsn).toStdString(), textOf(p, kUser).toStdString(),
                        textOf(p, kPassword).toStdString());
  return connectOdbc(qs(connection),
                     p->findChild<QCheckBox*>(controlName(kCursorLibrary))->isChecked());
}

bool DbMainWindow::chooseOdbcSource(const std::function<bool(OdbcSourceDialog&)>& choose) {
  QWidget* p = panel(kOdbcPanel);
  OdbcSourceDialog dialog(textOf(p, kUser), textOf(p, kPassword), this);
  const bool go = choose ? choose(dialog) : dialog.exec() == QDialog::Accepted;
  if (!go) return false;  // cancelled: nothing changes
  return connectOdbc(dialog.connectionString(),
                     p->findChild<QCheckBox*>(controlName(kCursorLibrary))->isChecked());
}

bool DbMainWindow::connectServer(const QString& source, QString* error) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    std::unique_ptr<Backend> b = openSource(source.toStdString(), false);
    views_[BackendMode::kAdo].backend = std::move(b);  // the previous connection is closed
    setMode(BackendMode::kAdo);
    fillTree();
  } catch (const DbError& e) {
    QApplication::restoreOverrideCursor();
    if (error != nullptr)
      *error = qs(e.what());
    else
      talk_.box(qs(e.what()), "TSdata");
    return false;
  }
  QApplication::restoreOverrideCursor();
  return true;
}

bool DbMainWindow::connectServerDialog(ServerDialog::Server server,
                                       const std::function<bool(ServerDialog&)>& choose) {
  // A new connection starts from empty fields; after a failure, Retry opens the dialog on
  // the failed settings.  The password lives only as long as this call.
  ServerDialog::Settings settings;
  for (;;) {
    ServerDialog dialog(settings, this, server);
    const bool go = choose ? choose(dialog) : dialog.exec() == QDialog::Accepted;
    if (!go) return false;  // cancelled: nothing changes
    settings = dialog.settings();
    QString error;
    if (connectServer(dialog.source(), &error)) return true;
    if (!talk_.retry(error)) return false;
  }
}

bool DbMainWindow::openDatabase(const QString& path) {
  const int type = databaseType_->currentIndex();
  if (type != 0 && !isDbaseType(type)) {
    talk_.box(QString("%1 databases are not supported yet; SQLite files open as \"Access\", "
                      "tables of dBASE and FoxPro as their own types.")
                  .arg(kDatabaseTypes[type]),
              warningCaption());
    return false;
  }
  if (isDbaseType(type) != path.endsWith(".dbf", Qt::CaseInsensitive)) {
    talk_.box(isDbaseType(type)
                  ? QString("%1 tables are .dbf files: %2").arg(kDatabaseTypes[type], path)
                  : QString("%1 is a dBASE or FoxPro table: choose its type").arg(path),
              warningCaption());
    return false;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    std::unique_ptr<Backend> b = openSource(path.toStdString(), readOnly_->isChecked());
    views_[BackendMode::kDao].backend = std::move(b);
    setMode(BackendMode::kDao);
    path_->setText(path);
    fillTree();
  } catch (const DbError& e) {
    QApplication::restoreOverrideCursor();
    reportError(e);
    return false;
  }
  QApplication::restoreOverrideCursor();
  return true;
}

namespace {

// A name the database core gives in English (a property, a heading, a folder of the tree), in
// the user's language; the blanks that pad it kept.
std::string inUserLanguage(const std::string& english) {
  const std::size_t end = english.find_last_not_of(' ');
  if (end == std::string::npos) return english;
  return std::string(ts::platform::tr(english.substr(0, end + 1).c_str())) + english.substr(end + 1);
}

// A property table's headings in the user's language, and the properties' names where it
// lists them one a row (the values, and a table's own column names, stay as they are).
PropertyTable inUserLanguage(PropertyTable t) {
  const bool byRow = !t.headers.empty() && t.headers[0].rfind("Property", 0) == 0;
  for (std::string& h : t.headers) h = inUserLanguage(h);
  if (byRow)
    for (auto& row : t.rows)
      if (!row.empty()) row[0] = inUserLanguage(row[0]);
  return t;
}

bool isFolder(ItemKind kind) {
  return kind == ItemKind::kTables || kind == ItemKind::kFields || kind == ItemKind::kIndexes ||
         kind == ItemKind::kRelations || kind == ItemKind::kQueries;
}

}  // namespace

void DbMainWindow::fillTree() {
  filling_ = true;
  view().tree->clear();
  view().items.clear();
  view().model->clear();
  tableSelected_ = false;
  try {
    view().backend->fillSchema(view().schema);
  } catch (const DbError& e) {
    // What could be listed is shown, and what could not be read is said.
    talk_.box(qs(e.what()), "TSdata");
  }
  view().items.resize(view().schema.size(), nullptr);
  for (std::size_t i = 0; i < view().schema.size(); ++i) {
    const SchemaItem& s = view().schema.item(static_cast<int>(i));
    auto* item = s.parent == kNoItem
                     ? new QTreeWidgetItem(view().tree)
                     : new QTreeWidgetItem(view().items[static_cast<std::size_t>(s.parent)]);
    item->setText(0, qs(isFolder(s.kind) ? inUserLanguage(s.text) : s.text));
    item->setIcon(0, kindIcon(s.kind));
    item->setData(0, Qt::UserRole, static_cast<int>(i));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    view().items[i] = item;
  }
  if (!view().items.empty()) view().items.front()->setExpanded(true);
  filling_ = false;
}

QTreeWidgetItem* DbMainWindow::treeItem(int i) const {
  return view().items.at(static_cast<std::size_t>(i));
}

void DbMainWindow::syncMarks() {
  filling_ = true;
  for (std::size_t i = 0; i < view().items.size(); ++i) {
    const SchemaItem& s = view().schema.item(static_cast<int>(i));
    view().items[i]->setCheckState(0, s.mark == ColumnMark::kMarked ? Qt::Checked : Qt::Unchecked);
    QFont f = view().items[i]->font(0);
    f.setBold(s.bold);
    view().items[i]->setFont(0, f);
  }
  filling_ = false;
}

void DbMainWindow::boxClicked(QTreeWidgetItem* item) {
  const int i = item->data(0, Qt::UserRole).toInt();
  if (view().schema.marked(i) == (item->checkState(0) == Qt::Checked)) return;  // not the box
  const Propagation rule = view().backend->capabilities().marks;
  view().schema.clickBox(i, rule, [this](int column) {
    const int table = view().schema.tableOf(column);
    return table != kNoItem && view().backend->convertible({view().schema.item(table).text,
                                                            view().schema.item(column).text});
  });
  syncMarks();
}

int DbMainWindow::selectedItem() const {
  const QList<QTreeWidgetItem*> s = view().tree->selectedItems();
  return s.isEmpty() ? kNoItem : s.front()->data(0, Qt::UserRole).toInt();
}

QString DbMainWindow::selectedTable() const {
  const int i = selectedItem();
  return i == kNoItem ? QString() : qs(view().schema.item(i).text);
}

void DbMainWindow::selectionChanged() {
  if (filling_ || !view().backend) return;
  const int i = selectedItem();
  if (i == kNoItem) return;
  tableSelected_ = view().schema.item(i).kind == ItemKind::kTable;
  showPropertiesOf(i);
}


void DbMainWindow::showPropertiesOf(int item) {
  try {
    showProperties(inUserLanguage(view().backend->properties(view().schema, item)));
  } catch (const DbError& e) {
    // Properties that cannot be read: the list says why, in their place.
    PropertyTable why;
    why.headers = {ts::platform::tr("Error")};
    why.rows = {{e.what()}};
    showProperties(why);
  }
}

void DbMainWindow::showProperties(const PropertyTable& table) {
  view().model->clear();
  QStringList headers;
  for (const auto& h : table.headers) headers << qs(h);
  view().model->setHorizontalHeaderLabels(headers);
  for (const auto& row : table.rows) {
    QList<QStandardItem*> cells;
    for (const auto& v : row) cells << new QStandardItem(valueText(v, shownCharset()));
    view().model->appendRow(cells);
  }
  // Columns as wide as their values (and headers), up to a third of the view; the user can
  // still resize them.
  QTableView* list = view().list;
  const int most = std::max(120, list->viewport()->width() / 3);
  const QFontMetrics fm(list->horizontalHeader()->font());
  for (int c = 0; c < headers.size(); ++c) {
    list->resizeColumnToContents(c);
    const int header = fm.horizontalAdvance(headers[c]) + 15;
    list->setColumnWidth(c, std::min(most, std::max(header, list->columnWidth(c))));
  }
}

void DbMainWindow::showData(const TableData& data) {
  PropertyTable t;
  t.headers = data.headers;
  t.rows = data.rows;
  showProperties(t);
  if (data.total >= 100)
    talk_.box(texts::tr(texts::kLoaded)
                  .arg(QLocale().toString(static_cast<qlonglong>(data.rows.size())),
                       QLocale().toString(static_cast<qlonglong>(data.total))),
              "TSdata");
}

void DbMainWindow::showTableData(const QString& table) {
  if (!view().backend) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    const TableData d = view().backend->tableData(table.toStdString(), 100);
    QApplication::restoreOverrideCursor();
    showData(d);
  } catch (const DbError& e) {
    QApplication::restoreOverrideCursor();
    reportError(e);
  }
}

void DbMainWindow::runQuery(const QString& view) { showTableData(view); }

void DbMainWindow::showTableStructure(const QString& table) {
  if (!view().backend) return;
  for (std::size_t i = 0; i < view().schema.size(); ++i) {
    const SchemaItem& s = view().schema.item(static_cast<int>(i));
    if (s.kind == ItemKind::kFields && view().schema.item(s.parent).text == table.toStdString()) {
      showPropertiesOf(static_cast<int>(i));
      return;
    }
  }
}

void DbMainWindow::contextMenu(const QPoint& at) {
  QTreeWidgetItem* item = view().tree->itemAt(at);
  if (item == nullptr || !view().backend || running_ || mode_ != BackendMode::kDao) return;
  view().tree->setCurrentItem(item);
  const int i = item->data(0, Qt::UserRole).toInt();
  const QString name = qs(view().schema.item(i).text);
  QMenu menu(this);
  if (view().schema.item(i).kind == ItemKind::kTable) {
    menu.addAction("Show &Schema", this, [this, i] { showPropertiesOf(i); });
    menu.addAction("Show &Data", this, [this, name] { showTableData(name); });
  } else if (view().schema.item(i).kind == ItemKind::kQuery) {
    menu.addAction("&Show Definition", this, [this, i] { showPropertiesOf(i); });
    menu.addAction("&Run Query", this, [this, name] { runQuery(name); });
  } else {
    return;
  }
  menu.exec(view().tree->viewport()->mapToGlobal(at));
}

void DbMainWindow::deleteSelected() {
  const int i = selectedItem();
  if (i == kNoItem || !view().backend || !view().backend->capabilities().deletes) return;
  const ItemKind kind = view().schema.item(i).kind;
  if (kind != ItemKind::kTable && kind != ItemKind::kQuery) return;  // nothing else is deleted
  const QString what = texts::tr(kind == ItemKind::kTable ? texts::kTableNamed : texts::kQueryNamed)
                           .arg(qs(shownName(view().schema.item(i).text)));
  if (!talk_.askNo(texts::tr(texts::kDeleteQuestion).arg(what), warningCaption())) return;
  // The tree follows the database: the other marks and the open branches are kept.
  const std::vector<ColumnRef> marked = markedColumns();
  QSet<QString> open;
  for (std::size_t n = 0; n < view().items.size(); ++n)
    if (view().items[n]->isExpanded()) open.insert(itemPath(static_cast<int>(n)));
  try {
    view().backend->deleteObject(view().schema, i);
  } catch (const DbError& e) {
    talk_.box(qs(e.what()), warningCaption());
    return;
  }
  fillTree();
  for (std::size_t n = 0; n < view().items.size(); ++n) {
    const int it = static_cast<int>(n);
    if (open.contains(itemPath(it))) view().items[n]->setExpanded(true);
    const SchemaItem& s = view().schema.item(it);
    const int table = view().schema.tableOf(it);
    if (s.kind == ItemKind::kColumn && table != kNoItem &&
        std::find(marked.begin(), marked.end(),
                  ColumnRef{view().schema.item(table).text, s.text}) != marked.end())
      view().schema.setMark(it, ColumnMark::kMarked);
  }
  syncMarks();
}

QString DbMainWindow::itemPath(int i) const {
  QString path;
  for (; i != kNoItem; i = view().schema.item(i).parent)
    path.prepend(qs(view().schema.item(i).text) + QChar(0x1F));
  return path;
}

bool DbMainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == view().tree && view().backend && view().backend->capabilities().deletes &&
      e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete &&
      !running_) {
    deleteSelected();
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

void DbMainWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1) {
    talk_.about();
    return;
  }
  if (e->key() == Qt::Key_Escape && running_) return;
  QDialog::keyPressEvent(e);
}

void DbMainWindow::reportError(const DbError& e) {
  // The database's own code where it gives one; never a bare "(0)".
  talk_.box(e.native() != 0 ? QString("%1   (%2)").arg(qs(e.what())).arg(e.native()) : qs(e.what()),
            "TSdata");
}

void DbMainWindow::reportRun(const RunReport& r) {
  // Each column as tsdata prints it, with its notes; the columns a failure left unconverted.
  QStringList lines;
  bool failed = false;
  for (const ColumnReport& c : r.columns) {
    lines << qs(columnSummary(c));
    for (const std::string& n : c.notes) lines << "    " + qs(n);
    failed = failed || c.failed;
  }
  if (!r.unconverted.empty()) {
    QStringList names;
    for (const ColumnRef& c : r.unconverted) names << qs(shownName(c.label()));
    lines << "" << texts::tr(texts::kLeftUnconverted).arg(names.join(", "));
  }
  if (!declined_.empty()) {
    QStringList names;
    for (const ColumnRef& c : declined_) names << qs(shownName(c.label()));
    lines << "" << texts::tr(texts::kLeftByAnswer).arg(names.join(", "));
    declined_.clear();
  }
  // An ODBC failure ends the run: no timing report follows.
  const bool endedByFailure = r.ended && !r.columns.empty() && r.columns.back().failed;
  if (!endedByFailure && !r.columns.empty()) lines << "" << qs(timingReport(r.seconds));
  if (failed)
    talk_.box(lines.join('\n').trimmed(), warningCaption());
  else
    talk_.notice(lines.join('\n').trimmed());
}

std::vector<ColumnRef> DbMainWindow::markedColumns() const {
  return ts::db::markedColumns(view().schema);
}

RunReport DbMainWindow::runWithProgress(const std::function<RunReport(RunObserver&)>& work) {
  running_ = true;
  stop_ = false;
  for (QWidget* w : commandWidgets_) w->setEnabled(false);
  view().tree->setEnabled(false);
  WindowObserver observer(this, progress_, stop_);
  RunReport report;
  ui::runOffTheUiThread([&] {
    try {
      report = work(observer);
    } catch (const std::exception& e) {  // never across the thread: said in the report
      ColumnReport failed;
      failed.fail(DbError(e.what()));
      report.columns.push_back(failed);
    }
  });
  for (QWidget* w : commandWidgets_) w->setEnabled(true);
  view().tree->setEnabled(true);
  running_ = false;
  setWindowTitle(caption_);
  reportRun(report);
  return report;
}

void DbMainWindow::convertMarked() {
  if (!backend()) {
    talk_.notice(texts::tr(texts::kNotOpen));
    return;
  }
  const int from = source_->currentIndex() + 1, to = destination_->currentIndex() + 1;
  if (!hasLetterTable(readableSource(from)) || !hasLetterTable(to)) {
    talk_.box(QString("%1 has no letter table")
                  .arg(qs(std::string(charsetName(hasLetterTable(to) ? from : to)))),
              "TSdata");
    return;
  }
  // Text converted once already does not read as the source: ask before a second time.
  // "No" leaves that column; the others are converted.
  std::vector<ColumnRef> columns = markedColumns();
  RunOptions options;
  if (from != to) {
    for (auto c = columns.begin(); c != columns.end();) {
      CharsetCheck check;
      try {
        check = checkCharset(*view().backend, *c, from);
      } catch (const DbError&) {
        ++c;
        continue;
      }
      if (check.readsAs) {
        ++c;
        continue;
      }
      const QString text = texts::tr(texts::kAskForce)
                               .arg(qs(c->label()), qs(std::string(charsetName(from))),
                                    qs(std::string(charsetName(check.apparent))));
      if (talk_.askNo(text, "TSdata")) {
        options.forced.push_back(*c);
        ++c;
      } else {
        declined_.push_back(*c);
        c = columns.erase(c);
      }
    }
  }
  if (columns.empty()) {
    if (!declined_.empty()) reportRun(RunReport{});  // says which were left, and why
    return;
  }
  ValueConverter converter(from, to);
  const RunReport done = runWithProgress([&](RunObserver& o) {
    return convertColumns(*view().backend, columns, converter, o, options);
  });
  // The data view reads the stored values as the destination now, where something changed.
  if (std::any_of(done.columns.begin(), done.columns.end(),
                  [](const ColumnReport& c) { return !c.failed && c.converted > 0; }))
    shownCharset_ = converter.to();
  if (closeAfterRun_) close();
}

bool DbMainWindow::haveMarkedColumns(std::vector<ColumnRef>& columns) {
  if (!backend()) {
    talk_.notice(texts::tr(texts::kNotOpen));
    return false;
  }
  columns = markedColumns();
  if (columns.empty()) talk_.notice(texts::tr(texts::kNoMarked));
  return !columns.empty();
}

void DbMainWindow::guessMarked() {
  std::vector<ColumnRef> columns;
  if (!haveMarkedColumns(columns)) return;
  QString text;
  int best = 0;
  for (const ColumnRef& c : columns) {
    Detection d;
    try {
      d = detectColumn(*view().backend, c, 64 * 1024);
    } catch (const DbError& e) {
      reportError(e);
      return;
    }
    if (d.noVietnameseLetters || d.guesses.empty() ||
        d.guesses.front().confidence < kConfidentGuess) {
      text += texts::tr(texts::kNoGuess).arg(qs(c.label())) + "\n";
      continue;
    }
    const CharsetGuess& g = d.guesses.front();
    if (best == 0) best = g.codes.front();
    text += texts::tr(texts::kGuessed)
                .arg(qs(c.label()), qs(std::string(charsetName(g.codes.front()))))
                .arg(static_cast<int>(g.confidence * 100 + 0.5)) +
            "\n";
  }
  if (best == 0) {
    talk_.notice(text.trimmed());
    return;
  }
  if (talk_.ask(text + "\n" + texts::tr(texts::kUseGuess).arg(qs(std::string(charsetName(best)))),
                "TSdata"))
    source_->setCurrentIndex(best - 1);
}

void DbMainWindow::changeMarked(ValueConverter::Operation op) {
  std::vector<ColumnRef> columns;
  if (!haveMarkedColumns(columns)) return;
  const int from = source_->currentIndex() + 1;
  ValueConverter converter(from, from, op);
  // The first values, before and after, as they read in the source charset.
  ConverterState show;
  selectPair(show, static_cast<std::uint32_t>(from), kUtf8);
  QString preview;
  int shown = 0;
  for (const ColumnRef& c : columns) {
    if (shown >= 5) break;
    try {
      for (const auto& s :
           dryRun(*view().backend, c, converter, static_cast<std::size_t>(5 - shown)).samples) {
        preview += qs(convert(show, s.before)) + "  \u2192  " + qs(convert(show, s.after)) + "\n";
        ++shown;
      }
    } catch (const DbError& e) {
      reportError(e);
      return;
    }
  }
  if (!talk_.askNo(texts::tr(texts::kAskChange).arg(preview), "TSdata")) return;
  runWithProgress(
      [&](RunObserver& o) { return convertColumns(*view().backend, columns, converter, o); });
  if (closeAfterRun_) close();
}

void DbMainWindow::closeEvent(QCloseEvent* e) {
  if (running_) {
    // The column being converted is rolled back; the window closes when the run has ended.
    stop_ = true;
    closeAfterRun_ = true;
    e->ignore();
    return;
  }
  QDialog::closeEvent(e);
}

void DbMainWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  ui::paintBanner(p, *this, texts::tr(texts::kDescription), {300, 19}, programIcon());
}

int runWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tsdata");
  ui::installTranslation();
  ui::SkinManager::instance().install(nullptr, ui::SkinManager::kDialogMode);
  DbMainWindow window;
  window.show();
  const int rc = app.exec();
  ui::SkinManager::instance().remove();
  return rc;
}

}  // namespace ts::db::window
