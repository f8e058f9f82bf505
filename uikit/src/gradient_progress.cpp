#include "ts/ui/gradient_progress.hpp"

#include <QPaintEvent>
#include <algorithm>
#include <cstdlib>

#include "ts/ui/system_colours.hpp"

namespace ts::ui {

MemoryDC::MemoryDC(QPainter& target, const QRect& clip)
    : target_(target),
      clip_(clip),
      image_(clip.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied) {
  image_.fill(Qt::transparent);
  painter_.begin(&image_);
  painter_.translate(-clip.topLeft());
}

MemoryDC::~MemoryDC() {
  painter_.end();
  target_.drawImage(clip_.topLeft(), image_);
}

GradientProgress::GradientProgress(QWidget* parent) : QProgressBar(parent) {
  QProgressBar::setRange(lower_, upper_);
  QProgressBar::setValue(pos_);
  setTextVisible(false);
}

void GradientProgress::setBounds(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  pos_ = lower;
  QProgressBar::setRange(std::min(lower, upper), std::max(lower, upper));
  QProgressBar::setValue(lower);
  update();
}

void GradientProgress::setPosition(int pos) {
  pos_ = pos;
  QProgressBar::setValue(std::clamp(pos, minimum(), maximum()));
  update();
}

void GradientProgress::stepIt() { setPosition(pos_ + step_); }

int GradientProgress::bandCount() const {
  const int n =
      std::max({std::abs(end_.red() - start_.red()), std::abs(end_.green() - start_.green()),
                std::abs(end_.blue() - start_.blue())});
  return std::max(n, 1);  // equal colours: one band of the start colour
}

QColor GradientProgress::bandColour(int i) const {
  const int n = bandCount();
  return QColor(start_.red() + i * (end_.red() - start_.red()) / n,
                start_.green() + i * (end_.green() - start_.green()) / n,
                start_.blue() + i * (end_.blue() - start_.blue()) / n);
}

int GradientProgress::filledWidth(int width) const {
  // The part of the range the position has covered (from the lower bound, so a range that
  // does not start at 0 fills as far as it has come).
  const long long span = static_cast<long long>(upper_) - lower_;
  if (span <= 0) return 0;
  return static_cast<int>((static_cast<long long>(pos_) - lower_) * width / span);
}

QString GradientProgress::percentText() const {
  const double span = static_cast<double>(upper_) - lower_;
  const double percent = span > 0 ? (static_cast<double>(pos_) - lower_) * 100.0 / span : 0.0;
  return QString::asprintf("%.0f%%", percent);
}

void GradientProgress::paintBar(QPainter& p, const QRect& client) const {
  if (!(lower_ < pos_ && pos_ < upper_)) {
    p.fillRect(client, sysColour(SysColour::BtnFace));
    return;
  }
  const int width = client.width();
  const int filled = filledWidth(width);
  const int bands = bandCount();
  int right = 0;
  // Band i spans [i * width / bands, (i + 1) * width / bands); painting stops after the band
  // that passes the filled width.
  for (int i = 0; i < bands; ++i) {
    const int left = static_cast<int>(static_cast<long long>(i) * width / bands);
    right = static_cast<int>(static_cast<long long>(i + 1) * width / bands);
    if (right > left)
      p.fillRect(QRect(client.x() + left, client.y(), right - left, client.height()),
                 bandColour(i));
    if (right >= filled) break;
  }
  if (right < width)
    p.fillRect(QRect(client.x() + right, client.y(), width - right, client.height()),
               background_.value_or(sysColour(SysColour::BtnFace)));
  if (showPercent_) {
    p.setPen(text_);
    p.setFont(font());
    p.drawText(client, Qt::AlignCenter | Qt::TextSingleLine, percentText());
  }
}

void GradientProgress::paintEvent(QPaintEvent* e) {
  QPainter target(this);
  MemoryDC dc(target, e->rect());
  paintBar(dc.painter(), rect());
}

}  // namespace ts::ui
