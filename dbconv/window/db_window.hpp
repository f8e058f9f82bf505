// The database converter's window: the navigation tree and its panels, the schema tree and
// list of the back end in use, the conversion panel, the progress bar and the caption that
// follows a run.
#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

#include "ts/db/backend.hpp"
#include "ts/db/conversion.hpp"
#include "ts/db/schema.hpp"
#include "ts/ui/window_support.hpp"
#include "server_dialog.hpp"

class QComboBox;
class QLineEdit;
class QCheckBox;
class QLabel;
class QStandardItemModel;
class QTreeWidget;
class QTreeWidgetItem;

namespace ts::ui {
class FlatButton;
class GradientProgress;
class SortTable;
}  // namespace ts::ui

namespace ts::db::window {

enum class ButtonIcon;
class OdbcSourceDialog;

class DbMainWindow : public QDialog {
  Q_OBJECT
 public:
  // The controls and panels; objectName() gives the widget's object name of each.
  enum Id {
    kDaoTree = 1001,
    kOdbcTree = 1002,
    kDaoList = 1003,
    kOdbcList = 1004,
    kAdoTree = 1005,
    kNavigation = 1006,
    kAdoList = 1007,
    kShowData = 1008,
    kShowStructure = 1009,
    kProgress = 1018,
    kExit = 1019,
    kWebLink = 1020,
    kMailLink = 1021,
    kAbout = 3,
    // the conversion panel
    kSource = 1040,
    kDestination = 1041,
    kConvert = 1042,
    kSizeWarning = 1043,
    kGuess = 1044,
    kSevenBit = 1045,
    kUpper = 1046,
    kLower = 1047,
    // the open panel
    kPath = 1022,
    kBrowse = 1023,
    kUser = 1024,
    kPassword = 1025,
    kOpenOdbc = 1026,
    kDatabaseType = 1027,
    kReadOnly = 1029,
    kExclusive = 1030,
    // the ODBC panel (also the user, the password, read-only and exclusive)
    kDsn = 1048,
    kCursorLibrary = 1031,
    kOdbcConnect = 1033,
    kOdbcSources = 1034,
    // the ADO panel (also the DSN, the user, the password and OK)
    kAdoDialog = 1035,
    kMariaDialog = 1036,
  };
  // The panels, by the dialog they stand for.
  enum Panel {
    kVersionPanel = 100,
    kConversionPanel = 140,
    kOpenPanel = 144,
    kOdbcPanel = 160,
    kAdoPanel = 161
  };
  static constexpr int kNoPanel = 4095;
  // The object name of a control (Id) or a panel (Panel): "source", "openPanel".
  static QString controlName(int id);

  explicit DbMainWindow(QWidget* parent = nullptr);
  ~DbMainWindow() override;

  // How the window tells and asks the user (tests record instead of showing boxes).
  struct Talk {
    std::function<void(const QString& text)> notice;                       // ShowMessage
    std::function<void(const QString& text, const QString& caption)> box;  // a plain box
    std::function<bool(const QString& text, const QString& caption)> ask;  // Yes / No
    // Yes / No with No the default answer (a deletion); `ask` where not given.
    std::function<bool(const QString& text, const QString& caption)> askNo;
    std::function<void()> about;                     // dialog 100
    std::function<bool(const QString& text)> retry;  // Retry / Cancel: true for Retry
  };
  void setTalk(Talk t) {
    if (!t.askNo) t.askNo = t.ask;
    talk_ = std::move(t);
  }

  // Opens a database file of the type chosen in the open panel; false (reported) on failure.
  bool openDatabase(const QString& path);
  // Connects to an ODBC data source with a connection string; false (reported with the
  // driver's diagnostics) on failure, when the previous connection, tree and mode stay.
  bool connectOdbc(const QString& connectionString, bool cursorLibrary = false);
  BackendMode mode() const { return mode_; }
  // The back end, schema, tree and list of the current mode.
  Backend* backend() const { return view().backend.get(); }
  const SchemaTree& schema() const { return view().schema; }
  // The item of the current tree that shows schema item `i`.
  QTreeWidgetItem* treeItem(int i) const;
  QTreeWidget* tree() const { return view().tree; }
  ui::SortTable* list() const { return view().list; }
  QTreeWidget* daoTree() const { return views_.at(BackendMode::kDao).tree; }
  ui::SortTable* daoList() const { return views_.at(BackendMode::kDao).list; }
  QTreeWidget* odbcTree() const { return views_.at(BackendMode::kOdbc).tree; }
  ui::SortTable* odbcList() const { return views_.at(BackendMode::kOdbc).list; }
  QTreeWidget* navigation() const { return navigation_; }
  // The panel shown now (kNoPanel before the first navigation selection).
  int shownPanel() const { return shown_; }
  QWidget* panel(Panel p) const;
  QString keptCaption() const { return caption_; }

  // The ODBC panel's buttons: "&OK" connects with its DSN, user and password; "ODBC Data
  // Sources" lets the user choose a source or driver first (`choose` stands for the dialog in
  // tests: it gets the dialog before it is shown and returns whether to connect).
  bool connectOdbcPanel();
  bool chooseOdbcSource(const std::function<bool(OdbcSourceDialog&)>& choose = {});

  // The ADO panel's buttons: the PostgreSQL connection dialog, then the connection; a failure
  // is offered again (Retry opens the dialog on the failed settings).  `choose` stands for
  // the dialog in tests, as above.
  // Connects to a server through its dialog (`choose` stands for the user in tests).
  bool connectServerDialog(ServerDialog::Server server,
                           const std::function<bool(ServerDialog&)>& choose = {});
  // Connects to a PostgreSQL database; false (reported) on failure.
  // Connects to a server source as tsdata takes it ("pg:...", "postgresql://...",
  // "mysql://..."); the error is said, or given back.
  bool connectServer(const QString& source, QString* error = nullptr);
  QTreeWidget* adoTree() const { return views_.at(BackendMode::kAdo).tree; }

  // The commands.
  void convertMarked();                             // 1011
  void guessMarked();                               // 1013
  void changeMarked(ValueConverter::Operation op);  // 1014, 1015, 1016
  void showTableData(const QString& table);         // 1008, "Show &Data"
  void showTableStructure(const QString& table);    // 1009
  void runQuery(const QString& view);               // "&Run Query"
  void deleteSelected();                            // the Delete key
  bool running() const { return running_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void setUpTalk();
  void buildViews();
  void buildCommands();
  void buildPanels();
  void buildConversionPanel();
  void buildOpenPanel();
  void buildOdbcPanel();
  void buildAdoPanel();
  void buildVersionPanel();
  // A panel under the trees (hidden until its step is chosen), a label, a button and the
  // DSN, user and password edits on a panel, in dialog units.
  QWidget* makePanel(Panel id);
  QLabel* panelLabel(QWidget* parent, const QString& text, int x, int y, int cx);
  ui::FlatButton* panelButton(QWidget* parent, int id, const QString& text, ButtonIcon icon);
  void connectionEdits(QWidget* panel, int width);
  void buildNavigation();
  void showPanel(int index);
  void fillTree();
  void syncMarks();
  void boxClicked(QTreeWidgetItem* item);
  void selectionChanged();
  void contextMenu(const QPoint& at);
  // The properties of a tree item in the list; what cannot be read is said there.
  void showPropertiesOf(int item);
  void showProperties(const PropertyTable& table);
  void showData(const TableData& data);
  void reportError(const DbError& e);
  // Runs `work` on a worker thread while the window keeps painting and takes no command.
  RunReport runWithProgress(const std::function<RunReport(RunObserver&)>& work);
  std::vector<ColumnRef> markedColumns() const;
  // An item's texts from the root down: the same item after the tree is filled again.
  QString itemPath(int item) const;
  // The end of a run: each column's counts and notes, and what was left unconverted.
  void reportRun(const RunReport& r);
  int selectedItem() const;
  QString selectedTable() const;

  // Each back end's tree and list, its database and schema: the pair of the current mode is
  // shown; the databases of the other back ends stay open, hidden.
  struct View {
    QTreeWidget* tree = nullptr;
    ui::SortTable* list = nullptr;
    QStandardItemModel* model = nullptr;
    std::unique_ptr<Backend> backend;
    SchemaTree schema;
    std::vector<QTreeWidgetItem*> items;  // by schema index
  };
  // The view of the connection shown (the files' before any).
  View& view() { return views_.at(mode_ == BackendMode::kNone ? BackendMode::kDao : mode_); }
  const View& view() const {
    return views_.at(mode_ == BackendMode::kNone ? BackendMode::kDao : mode_);
  }
  void setMode(BackendMode m);
  void showView();

  Talk talk_;
  BackendMode mode_ = BackendMode::kNone;
  std::map<BackendMode, View> views_;  // by the kind of connection
  bool filling_ = false;
  bool tableSelected_ = false;
  QString caption_;
  bool running_ = false;
  std::vector<ColumnRef> declined_;  // answered No in this run: named in its report
  bool closeAfterRun_ = false;
  std::atomic<bool> stop_{false};

  QTreeWidget* navigation_ = nullptr;
  ui::GradientProgress* progress_ = nullptr;
  QComboBox* source_ = nullptr;
  QComboBox* destination_ = nullptr;
  QLineEdit* path_ = nullptr;
  QComboBox* databaseType_ = nullptr;
  QCheckBox* readOnly_ = nullptr;
  std::vector<QWidget*> panels_;          // by navigation item
  std::vector<QWidget*> commandWidgets_;  // disabled while a run goes on
  int shown_ = kNoPanel;
  ui::DialogUnits units_{QFont()};
  ui::AnchorLayout* layout_ = nullptr;
  // The charset the data view reads stored values as: the source, or after a run the
  // destination (until the source is chosen again).
  int shownCharset_ = 0;
  int shownCharset() const;
  void place(QWidget* w, int x, int y, int cx, int cy,
             ui::AnchorLayout::Share share = ui::AnchorLayout::Share{0, 0, 0, 0}) const;
  // Whether a database is open and columns are marked (each says so when not).
  bool haveMarkedColumns(std::vector<ColumnRef>& columns);
};

// The sample database the open panel starts with (the installed example).
QString samplePath();

// Runs the window as the program (tsdata without arguments).
int runWindow(int argc, char** argv);

}  // namespace ts::db::window
