// uikit-gallery: every control of the UI kit in every state, for reviewers.
//
//   uikit-gallery [--shots DIR] [--link-hover COLOUR|highlight]
//
// Without arguments it opens a window; hovering and focusing the controls shows the skin at
// work.  With --shots it saves a PNG of each control in each state to DIR and exits (it runs
// on the offscreen platform when no display is set).
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDir>
#include <QEnterEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <vector>

#include "ts/ui/flat_button.hpp"
#include "ts/ui/gradient_progress.hpp"
#include "ts/ui/hyperlink.hpp"
#include "ts/ui/message_box.hpp"
#include "ts/ui/skin_manager.hpp"
#include "ts/ui/sort_list.hpp"
#include "ts/ui/ui_font.hpp"

using namespace ts::ui;

namespace {

enum class State { Normal, Hot, Focused, Disabled, Special };
const char* kStateNames[] = {"normal", "hot", "focused", "disabled", "special"};

struct Row {
  QString name;
  QString special;  // the name of the row's extra state ("checked", "pressed", ...), or empty
  std::function<QWidget*(QWidget* parent, State s)> make;
};

QTreeWidget* fillList(QTreeWidget* list) {
  list->setColumnCount(3);
  list->setHeaderLabels({"File", "Size", "Charset"});
  const char* rows[][3] = {{"index.htm", "12 480", "TCVN3"},
                           {"bai-viet.htm", "3 072", "VNI"},
                           {"lien-he.htm", "988", "VISCII"},
                           {"tin-tuc.htm", "45 100", "VIQR"}};
  for (auto& r : rows) new QTreeWidgetItem(list, {r[0], r[1], r[2]});
  return list;
}

std::vector<Row> rows(std::optional<QColor> hover) {
  const QString vn = fromTcvn3("Chuy\xD3n m\xB7");  // "Chuyển mã"
  std::vector<Row> r;
  r.push_back({"push-button", "default", [vn](QWidget* p, State s) {
                 auto* b = new QPushButton(vn, p);
                 if (s == State::Special) b->setDefault(true);
                 return b;
               }});
  r.push_back({"push-button-checked", "", [](QWidget* p, State) {
                 auto* b = new QPushButton("Checked", p);
                 b->setCheckable(true);
                 b->setChecked(true);
                 return b;
               }});
  r.push_back({"check-box", "indeterminate", [](QWidget* p, State s) {
                 auto* b = new QCheckBox("Backup", p);
                 b->setTristate(s == State::Special);
                 b->setCheckState(s == State::Special ? Qt::PartiallyChecked : Qt::Checked);
                 return b;
               }});
  r.push_back({"radio-button", "", [](QWidget* p, State) {
                 auto* b = new QRadioButton("UTF-8", p);
                 b->setChecked(true);
                 return b;
               }});
  r.push_back({"line-edit", "read-only", [vn](QWidget* p, State s) {
                 auto* e = new QLineEdit(vn, p);
                 e->setReadOnly(s == State::Special);
                 e->setMinimumHeight(30);
                 return e;
               }});
  r.push_back({"line-edit-small", "", [](QWidget* p, State) {
                 auto* e = new QLineEdit("small", p);
                 e->setFixedHeight(22);
                 return e;
               }});
  r.push_back({"combo-box", "editable", [](QWidget* p, State s) {
                 auto* c = new QComboBox(p);
                 c->addItems({"TCVN3 - ABC", "VNI - WIN", "Ucode1 UTF-8"});
                 c->setEditable(s == State::Special);
                 return c;
               }});
  r.push_back({"spin-box", "", [](QWidget* p, State) {
                 auto* b = new QSpinBox(p);
                 b->setValue(42);
                 return b;
               }});
  r.push_back({"date-edit", "pop-up", [](QWidget* p, State s) {
                 auto* d = new QDateTimeEdit(QDate(2026, 12, 8), p);
                 d->setCalendarPopup(s == State::Special);
                 return d;
               }});
  r.push_back({"slider", "ticks-both", [](QWidget* p, State s) {
                 auto* sl = new QSlider(Qt::Horizontal, p);
                 sl->setValue(40);
                 if (s == State::Special) sl->setTickPosition(QSlider::TicksBothSides);
                 return sl;
               }});
  r.push_back({"slider-vertical", "ticks-left", [](QWidget* p, State s) {
                 auto* sl = new QSlider(Qt::Vertical, p);
                 sl->setValue(60);
                 sl->setFixedHeight(90);
                 if (s == State::Special) sl->setTickPosition(QSlider::TicksLeft);
                 return sl;
               }});
  r.push_back({"scroll-bar", "", [](QWidget* p, State) {
                 auto* b = new QScrollBar(Qt::Horizontal, p);
                 b->setRange(0, 100);
                 b->setPageStep(25);
                 b->setValue(30);
                 b->setMinimumWidth(160);
                 return b;
               }});
  r.push_back({"text-edit", "read-only", [vn](QWidget* p, State s) {
                 auto* t = new QTextEdit(p);
                 t->setPlainText(vn + "\n" + vn + "\n" + vn + "\n" + vn + "\n" + vn + "\n" + vn);
                 t->setReadOnly(s == State::Special);
                 t->setFixedSize(160, 70);
                 return t;
               }});
  r.push_back({"list-view", "", [](QWidget* p, State) {
                 auto* l = fillList(new QTreeWidget(p));
                 l->setFixedSize(220, 90);
                 return l;
               }});
  r.push_back({"tool-bar", "", [](QWidget* p, State) {
                 auto* t = new QToolBar(p);
                 for (const char* name : {"Open", "Save", "Convert"}) {
                   auto* b = new QToolButton(t);
                   b->setText(name);
                   t->addWidget(b);
                   b->setAutoRaise(false);  // after adding: the tool bar raises its buttons
                 }
                 return t;
               }});
  r.push_back({"tab-widget", "", [](QWidget* p, State) {
                 auto* t = new QTabWidget(p);
                 t->addTab(new QLabel("HTML"), "Web");
                 t->addTab(new QLabel("RTF"), "RTF");
                 t->addTab(new QLabel("Text"), "Text");
                 t->setFixedSize(200, 80);
                 return t;
               }});
  r.push_back({"group-box", "", [](QWidget* p, State) {
                 auto* g = new QGroupBox("Not skinned", p);
                 g->setFixedSize(120, 40);
                 return g;
               }});
  r.push_back({"flat-button", "pressed", [vn](QWidget* p, State s) {
                 auto* b = new FlatButton(vn, p);
                 b->setIcons(b->style()->standardIcon(QStyle::SP_DialogOkButton),
                             b->style()->standardIcon(QStyle::SP_DialogOkButton));
                 b->setMinimumSize(110, 28);
                 if (s == State::Special) b->setDown(true);
                 return b;
               }});
  r.push_back({"flat-button-check", "checked", [](QWidget* p, State s) {
                 auto* b = new FlatButton("Check", p);
                 b->setCheckMode(true);
                 b->setChecked(s == State::Special);
                 b->setMinimumSize(90, 28);
                 return b;
               }});
  r.push_back({"flat-button-raised", "", [](QWidget* p, State) {
                 auto* b = new FlatButton("Raised", p);
                 b->setFlat(false);
                 b->setMinimumSize(90, 28);
                 return b;
               }});
  r.push_back({"progress", "percent", [](QWidget* p, State s) {
                 auto* g = new GradientProgress(p);
                 g->setBounds(0, 100);
                 g->setPosition(s == State::Disabled ? 100 : 60);
                 g->setShowPercent(s == State::Special);
                 g->setFixedSize(200, 20);
                 return g;
               }});
  r.push_back({"sort-list", "sorted-down", [](QWidget* p, State s) {
                 auto* l = new SortList(p);
                 fillList(l);
                 l->setProfilePlace(QString(), "Settings",
                                    "Control");  // the gallery keeps no profile
                 l->sort(0, s != State::Special);
                 l->setFixedSize(240, 100);
                 return static_cast<QWidget*>(l);
               }});
  r.push_back({"sort-table", "sorted-down", [](QWidget* p, State s) {
                 auto* t = new SortTable(p);
                 auto* model = new QStandardItemModel(0, 3, t);
                 model->setHorizontalHeaderLabels({"File", "Size", "Charset"});
                 const char* rows[][3] = {{"index.htm", "12 480", "TCVN3"},
                                          {"bai-viet.htm", "3 072", "VNI"},
                                          {"lien-he.htm", "988", "VISCII"},
                                          {"tin-tuc.htm", "45 100", "VIQR"}};
                 for (auto& row : rows)
                   model->appendRow({new QStandardItem(row[0]), new QStandardItem(row[1]),
                                     new QStandardItem(row[2])});
                 t->setModel(model);
                 t->setProfilePlace(QString(), "Settings", "Control");
                 t->sort(0, s != State::Special);
                 t->setFixedSize(240, 100);
                 return static_cast<QWidget*>(t);
               }});
  r.push_back({"hyperlink", "visited", [hover](QWidget* p, State s) {
                 auto* l = new HyperLink("tessaro.example", kWebAddress, p, hover);
                 l->setVisited(s == State::Special);
                 return static_cast<QWidget*>(l);
               }});
  r.push_back({"ui-font", "", [](QWidget* p, State) {
                 auto* l = new QLabel(p);
                 QFont f(kUiFontFamily);
                 f.setPointSize(8);
                 l->setFont(f);
                 l->setText(fromTcvn3("Ti\xD5ng Vi\xD6t: \xA7\xB7 chuy\xD3n m\xB7 xong") +
                            QString::fromUtf8(" ẤẦẨẪẬ ỨỪỬỮỰ"));
                 return l;
               }});
  return r;
}

// Puts `w` into `state` as the user would, for the screenshot.
void enter(QWidget* w, State state, SkinManager& skins) {
  if (state == State::Disabled) w->setEnabled(false);
  if (state == State::Focused) {
    w->activateWindow();
    w->setFocus(Qt::OtherFocusReason);
  }
  if (state == State::Hot) {
    if (auto* fb = qobject_cast<FlatButton*>(w)) fb->setHot(true);
    if (auto* link = qobject_cast<HyperLink*>(w)) {
      QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
      QApplication::sendEvent(link, &enter);
    }
    QWidget* target = w;
    if (auto* bar = qobject_cast<QToolBar*>(w))
      target = bar->findChildren<QToolButton*>().value(1, bar->findChild<QToolButton*>());
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) target = tabs->tabBar();
    const QPoint at = target->mapToGlobal(target->rect().center());
    skins.setCursorSource([at] { return at; }, [] { return false; });
    skins.hoverTick();
  }
  QApplication::processEvents();
}

int shots(const QString& dir, std::optional<QColor> hover) {
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "uikit-gallery: cannot create %s\n", qPrintable(dir));
    return 1;
  }
  SkinManager& skins = SkinManager::instance();
  int saved = 0;
  std::vector<std::vector<std::pair<QString, QImage>>> sheet;  // a line per control
  for (const Row& row : rows(hover)) {
    sheet.emplace_back();
    for (int s = 0; s <= static_cast<int>(State::Special); ++s) {
      const auto state = static_cast<State>(s);
      if (state == State::Special && row.special.isEmpty()) continue;
      QDialog window;
      auto* layout = new QGridLayout(&window);
      QWidget* w = row.make(&window, state);
      layout->addWidget(w, 0, 0);
      window.move(40, 40);
      window.show();
      QApplication::processEvents();
      if (QWidget* f = QApplication::focusWidget()) f->clearFocus();  // focus only when asked
      QApplication::processEvents();
      enter(w, state, skins);
      const QString name =
          row.name + "-" + (state == State::Special ? row.special : kStateNames[s]);
      const QString path = dir + "/" + name + ".png";
      const QImage shot = w->grab().toImage();
      sheet.back().emplace_back(name, shot);
      if (!shot.scaled(w->size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(path)) {
        std::fprintf(stderr, "uikit-gallery: cannot write %s\n", qPrintable(path));
        return 1;
      }
      ++saved;
      skins.setCursorSource({}, {});
    }
  }
  // The message box, as ShowMessage shows it.
  MessageBox box(nullptr, hover);
  box.setText(fromTcvn3("\xA7\xB7 chuy\xD3n m\xB7 xong 3 file.\nT\xE6ng s\xE8 Byte: 61 640."));
  box.show();
  QApplication::processEvents();
  box.grab()
      .scaled(box.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
      .save(dir + "/message-box.png");
  // All of them on one sheet, each control on a line, at twice the size.
  int width = 0, height = 0;
  for (const auto& line : sheet) {
    int w = 0, h = 0;
    for (const auto& [name, img] : line)
      w += std::max(img.width(), 110) + 12, h = std::max(h, img.height());
    width = std::max(width, w);
    height += h + 22;
  }
  QImage all(width * 2, height * 2, QImage::Format_RGB32);
  all.fill(QApplication::palette().color(QPalette::Window));
  {
    QPainter p(&all);
    p.scale(2, 2);
    int y = 4;
    for (const auto& line : sheet) {
      int x = 4, h = 0;
      for (const auto& [name, img] : line) {
        p.setPen(Qt::black);
        p.setFont(QFont("DejaVu Sans", 6));
        p.drawText(x, y + 8, name);
        p.drawImage(x, y + 12, img);
        x += std::max(img.width(), 110) + 12;
        h = std::max(h, img.height());
      }
      y += h + 22;
    }
  }
  all.save(dir + "/contact-sheet.png");
  std::printf("%d screenshots and contact-sheet.png in %s\n", saved + 1, qPrintable(dir));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The offscreen platform's notes about window hints are noise here.
  static QtMessageHandler previous = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message.contains("propagateSizeHints") || message.contains("XDG_RUNTIME_DIR")) return;
        previous(type, context, message);
      });
  QString shotDir;
  std::optional<QColor> hover = QColor(255, 0, 0);  // red, as the web converter's links
  for (int i = 1; i < argc; ++i) {
    const QString a = QString::fromLocal8Bit(argv[i]);
    if (a == "--shots" && i + 1 < argc) {
      shotDir = QString::fromLocal8Bit(argv[++i]);
    } else if (a == "--link-hover" && i + 1 < argc) {
      const QString c = QString::fromLocal8Bit(argv[++i]);
      if (c == "highlight") {
        hover.reset();
      } else if (QColor::isValidColorName(c)) {
        hover = QColor::fromString(c);
      } else {
        std::fprintf(stderr, "uikit-gallery: unknown colour '%s'\n", argv[i]);
        return 2;
      }
    } else {
      std::fprintf(stderr, "usage: uikit-gallery [--shots DIR] [--link-hover COLOUR|highlight]\n");
      return 2;
    }
  }
  if (!shotDir.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setApplicationName("uikit-gallery");
  InstallUiFont();
  SkinManager::instance().install(nullptr, SkinManager::kDialogMode);
  int rc = 0;
  if (!shotDir.isEmpty()) {
    rc = shots(shotDir, hover);
  } else {
    QDialog window;
    window.setWindowTitle("uikit-gallery");
    auto* grid = new QGridLayout(&window);
    int y = 0;
    grid->addWidget(new QLabel("<b>control</b>"), y, 0);
    for (int s = 0; s <= static_cast<int>(State::Special); ++s)
      if (static_cast<State>(s) != State::Hot && static_cast<State>(s) != State::Focused)
        grid->addWidget(new QLabel(QString("<b>%1</b>").arg(kStateNames[s])), y, s + 1);
    for (const Row& row : rows(hover)) {
      ++y;
      grid->addWidget(new QLabel(row.name), y, 0);
      for (State s : {State::Normal, State::Disabled, State::Special}) {
        if (s == State::Special && row.special.isEmpty()) continue;
        QWidget* w = row.make(&window, s);
        if (s == State::Disabled) w->setEnabled(false);
        grid->addWidget(w, y, static_cast<int>(s) + 1);
      }
    }
    window.show();
    rc = app.exec();
  }
  SkinManager::instance().remove(nullptr);
  return rc;
}
