// The frame painters of the skinned kinds and the proxy style that flattens what lies under
// the frames.
#pragma once

#include <QProxyStyle>
#include <QRect>

#include "ts/ui/skin_manager.hpp"

class QPainter;

namespace ts::ui::detail {

// Paints the frame of `c` on `target` (the control itself or one of its paint targets) into
// `rect`, the rectangle the manager computed for it.
void paintSkinFrame(QPainter& p, const SkinnedControl& c, QWidget* target, const QRect& rect);

// The 13 x 13 box of a check box and the 12 x 12 square of a radio button: at the left edge
// (the right one for right-to-left text), vertically centred.
QRect checkBoxBox(const QWidget* w);
QRect radioBox(const QWidget* w);
// The drop button of a combo box: the inner rectangle shrunk by 2 pixels, its right part as
// wide as a scroll bar.
QRect dropButtonRect(const QWidget* w, const QRect& frame);

// Flattens the panels of skinned controls (the frames are the manager's) and sizes them so
// that the rings fit; every other widget is drawn by the base style.
class SkinStyle : public QProxyStyle {
 public:
  explicit SkinStyle(const SkinManager& manager);

  void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                     const QWidget* w) const override;
  void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                          const QWidget* w) const override;
  int pixelMetric(PixelMetric pm, const QStyleOption* opt, const QWidget* w) const override;
  QRect subElementRect(SubElement se, const QStyleOption* opt, const QWidget* w) const override;
  QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                       const QWidget* w) const override;

 private:
  SkinKind kindOf(const QWidget* w) const;
  const SkinManager& manager_;
};

}  // namespace ts::ui::detail
