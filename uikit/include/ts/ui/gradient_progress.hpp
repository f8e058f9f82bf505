// The gradient progress bar: the filled part runs in bands from the start colour to the end
// colour, optionally with the percentage drawn over it.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QProgressBar>
#include <optional>

namespace ts::ui {

// A double-buffered drawing surface: drawing goes into an off-screen image of the clip box,
// copied to the widget in one block when the surface is released.
class MemoryDC {
 public:
  MemoryDC(QPainter& target, const QRect& clip);
  ~MemoryDC();
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  QPainter& painter() { return painter_; }

 private:
  QPainter& target_;
  QRect clip_;
  QImage image_;
  QPainter painter_;
};

class GradientProgress : public QProgressBar {
  Q_OBJECT
 public:
  explicit GradientProgress(QWidget* parent = nullptr);

  // Each also keeps the progress bar's own value in step.
  void setBounds(int lower, int upper);  // also sets the position to `lower`
  void setPosition(int pos);
  void setStep(int step) { step_ = step; }
  void stepIt();  // position += step

  int lower() const { return lower_; }
  int upper() const { return upper_; }
  int position() const { return pos_; }

  void setColours(const QColor& start, const QColor& end) { start_ = start, end_ = end, update(); }
  // An unset background is the system colour of the moment (BTNFACE).
  void setBackground(std::optional<QColor> c) { background_ = c, update(); }
  void setTextColour(const QColor& c) { text_ = c, update(); }
  void setShowPercent(bool on) { showPercent_ = on, update(); }

  // The bands of the gradient: their number, and the colour of band `i`.
  int bandCount() const;
  QColor bandColour(int i) const;
  // The width the position fills in a client area `width` pixels wide.
  int filledWidth(int width) const;
  // The percentage text, "%.0f%%" of the position within the bounds.
  QString percentText() const;

  // Paints the bar as it shows now into `p` over `client` (the paint event uses it).
  void paintBar(QPainter& p, const QRect& client) const;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  int lower_ = 0, upper_ = 100, step_ = 10, pos_ = 0;
  QColor start_{255, 0, 0}, end_{0, 0, 255}, text_{255, 255, 255};
  std::optional<QColor> background_;
  bool showPercent_ = false;
};

}  // namespace ts::ui
