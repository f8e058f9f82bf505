#include "setup_window.hpp"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "icons.hpp"
#include "ts/platform/messages.hpp"
#include "ts/ui/message_box.hpp"
#include "ts/ui/skin_manager.hpp"
#include "ts/ui/ui_font.hpp"
#include "ts/ui/window_support.hpp"

namespace ts::office::window {
namespace {

// The window's client area and its line, in twips.
// Room under the line for the reason of a failure (three lines of it).
constexpr int kClientWidth = 3705, kClientHeight = 4740;
constexpr int kLineLeft = 135, kLineRight = 3600, kLineY = 4110;  // between the line and "Kết thúc"

}  // namespace

SetupWindow::SetupWindow(OfficeOptions options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      options_(std::move(options)) {
  setWindowTitle(QString::fromUtf8(platform::tr("Setup")));
  setWindowIcon(programIcon());
  setFixedSize(px(kClientWidth), px(kClientHeight));

  logo_ = new QLabel(this);
  logo_->setObjectName("logo");
  logo_->setPixmap(logo());
  logo_->setScaledContents(true);
  place(logo_, 480, 120, 2805, 720);

  const auto makeButton = [this](App app, const char* name, int top) {
    auto* b = new QPushButton(appCaption(app), this);
    b->setObjectName(name);
    place(b, 480, top, 2775, 375);
    connect(b, &QPushButton::clicked, this, [this, app] { runButton(app); });
    return b;
  };
  calc_ = makeButton(App::kCalc, "calc", 1080);
  writer_ = makeButton(App::kWriter, "writer", 1560);
  impress_ = makeButton(App::kImpress, "impress", 2040);

  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  place(status_, 120, 2655, 3465, 1440);  // a line, and the reason of a failure under it

  cancel_ = new QPushButton(QString::fromUtf8(platform::tr("&Exit")), this);
  cancel_->setObjectName("cancel");
  QFont uiFont(ui::uiFontFamily());
  uiFont.setPointSizeF(8.25);
  cancel_->setFont(uiFont);
  place(cancel_, 1170, 4185, 1455, 375);
  connect(cancel_, &QPushButton::clicked, this, &QWidget::close);

  // Tab order: Kết thúc, then Calc, Writer and Impress (the status line takes no focus).
  setTabOrder(cancel_, calc_);
  setTabOrder(calc_, writer_);
  setTabOrder(writer_, impress_);
  cancel_->setFocus();

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

int SetupWindow::px(int twips) const {
  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  return (twips * dpi + 720) / 1440;
}

void SetupWindow::place(QWidget* w, int left, int top, int width, int height) const {
  w->setGeometry(px(left), px(top), px(width), px(height));
}

QPushButton* SetupWindow::button(App app) const {
  switch (app) {
    case App::kWriter: return writer_;
    case App::kCalc: return calc_;
    case App::kImpress: return impress_;
  }
  return nullptr;
}

void SetupWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && calc_->isEnabled()) {  // not during a setup
    e->accept();
    close();
    return;
  }
  QWidget::keyPressEvent(e);
}

void SetupWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // Line1: a sunken line across the window.
  const int y = px(kLineY);
  p.setPen(palette().color(QPalette::Dark));
  p.drawLine(px(kLineLeft), y, px(kLineRight), y);
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(px(kLineLeft), y + 1, px(kLineRight), y + 1);
}

void SetupWindow::runButton(App app) {
  for (QPushButton* b : {impress_, writer_, calc_}) b->setEnabled(false);
  status_->setText(QString::fromStdString(platform::formatted(platform::tr("Installing TS-%s"), appCaption(app))));
  status_->repaint();
  bool installed = false;
  StepLog log;
  const std::string folder = addinFolder();
  // The routines run beside the window, which goes on painting; "Kết thúc" stays usable.
  // Before LibreOffice is quit with documents not saved, the user is asked (on the window's
  // thread, the routines waiting).
  const auto confirmClose = [this](const std::vector<std::string>& unsaved) {
    bool close = false;
    QMetaObject::invokeMethod(
        this,
        [&] {
          QString list;
          for (const auto& name : unsaved) list += "\n  " + QString::fromStdString(name);
          close =
              QMessageBox::question(
                  this, windowTitle(),
                  QString::fromUtf8(platform::tr("LibreOffice holds documents not saved:")) + list +
                      QString::fromUtf8(
                          platform::tr("\n\nClose them without saving? (Choose No to save them first.)")),
                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
        },
        Qt::BlockingQueuedConnection);
    return close;
  };
  std::vector<std::string> held;
  ui::runOffTheUiThread(
      [&] { installed = installInto(app, options_, folder, log, confirmClose, &held); });
  for (QPushButton* b : {impress_, writer_, calc_}) b->setEnabled(true);
  // Whether it worked is said, not left to be guessed from an empty line.
  // The first step that failed, said under the line (and whole over it, for a long one).
  QString failed;
  for (const auto& step : log.steps())
    if (!step.ok) {
      failed = QString::fromStdString(step.what + ": " + step.error);
      break;
    }
  const QString said = QString::fromStdString(statusAfterRun(app, installed));
  status_->setText(failed.isEmpty() ? said : said + "\n" + failed);
  status_->setToolTip(failed);
}

int runWindow(int argc, char** argv, const OfficeOptions& options) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tso-setup");
  ui::installTranslation();
  ui::InstallUiFont();
  ui::SkinManager::instance().install(nullptr, ui::SkinManager::kDialogMode);
  SetupWindow window(options);
  window.show();
  const int rc = app.exec();
  ui::SkinManager::instance().remove();
  return rc;
}

}  // namespace ts::office::window
