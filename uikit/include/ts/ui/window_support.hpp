// What the programs' main windows share: the dialog units of their font, the banner they
// paint at the top, and long work run off the UI thread while the window keeps painting.
#pragma once

#include <QFont>
#include <QIcon>
#include <QLayout>
#include <QLocale>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

class QPainter;
class QWidget;

namespace ts::ui {

// Dialog units of a font: horizontal units are a quarter of the average letter width,
// vertical ones an eighth of the font's height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  QPoint toPixels(int x, int y) const { return {x * baseX_ / 4, y * baseY_ / 8}; }
  // Gives `w` the rectangle (x, y, cx, cy) in dialog units.
  void place(QWidget* w, int x, int y, int cx, int cy) const;

 private:
  int baseX_ = 6, baseY_ = 13;
};

// A window's controls where its layout puts them at the layout's size, and the space of a
// larger window shared out: each control says which part of the extra width and height moves
// it and which part widens it (a tree that takes the extra height: h = 1; the buttons at the
// right: x = 1).  The layout's size is the window's least.
class AnchorLayout : public QLayout {
 public:
  struct Share {
    double x, y, w, h;
  };
  // `design`: the window's size at which every control is where it was placed.
  AnchorLayout(QWidget* window, QSize design);
  ~AnchorLayout() override;
  // Places `w` (a child of the window) at `rect`, in pixels at the layout's size.
  void place(QWidget* w, QRect rect, Share share);
  void place(QWidget* w, QRect rect) { place(w, rect, Share{0, 0, 0, 0}); }
  // The same in dialog units of `units`; a control of another parent (a panel's, a group's)
  // is only given its rectangle there.
  void place(QWidget* w, const DialogUnits& units, int x, int y, int cx, int cy, Share share);
  void setShare(QWidget* w, Share share);

  void addItem(QLayoutItem* item) override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override { return static_cast<int>(items_.size()); }
  QSize sizeHint() const override { return design_; }
  QSize minimumSize() const override { return design_; }
  void setGeometry(const QRect& r) override;

 private:
  struct Item {
    QLayoutItem* item;
    QRect rect;
    Share share;
  };
  QSize design_;
  std::vector<Item> items_;
};

// Paints a main window's banner: "TESSARO GROUP" in Verdana 25 pixels, extra bold, with the
// embossed look of disabled text at (8, 7), and `caption` in the window's font, bold, black
// at `captionAt` and white one pixel up-left and two up, as a shadow.  A minimised window
// shows its icon instead.
void paintBanner(QPainter& p, const QWidget& window, const QString& caption, QPoint captionAt,
                 const QIcon& icon);

// Loads the windows' translation for `locale`: Vietnamese keeps the windows' own texts and
// gives Qt's buttons ("&Có", "&Không") in Vietnamese, any other language is English.  Dates
// and numbers follow it.  Looked for beside the installed programs' data, then in the build
// tree.  False when none was loaded.
bool installTranslation(const QLocale& locale);
// The same for the language the programs' messages speak (ts/platform/messages.hpp).
bool installTranslation();
// Takes the loaded translation away again.
void removeTranslation();

// Runs `work` on a thread of its own and returns when it has ended; meanwhile the UI thread
// goes on handling events (painting, progress posted by the work).
void runOffTheUiThread(const std::function<void()>& work);

}  // namespace ts::ui
