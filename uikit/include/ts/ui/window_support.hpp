// What the programs' main windows share: the dialog units of their font, the banner they
// paint at the top, and long work run off the UI thread while the window keeps painting.
#pragma once

#include <QFont>
#include <QIcon>
#include <QPoint>
#include <QString>
#include <functional>

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

// Paints a main window's banner: "TESSARO GROUP" in Verdana 25 pixels, extra bold, with the
// embossed look of disabled text at (8, 7), and `caption` in the window's font, bold, black
// at `captionAt` and white one pixel up-left and two up, as a shadow.  A minimised window
// shows its icon instead.
void paintBanner(QPainter& p, const QWidget& window, const QString& caption, QPoint captionAt,
                 const QIcon& icon);

// Runs `work` on a thread of its own and returns when it has ended; meanwhile the UI thread
// goes on handling events (painting, progress posted by the work).
void runOffTheUiThread(const std::function<void()>& work);

}  // namespace ts::ui
