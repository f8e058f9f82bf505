// The system colours the kit draws with, taken from the application palette at paint time so
// that every control follows the user's theme, and the ring frames built from them.
#pragma once

#include <QColor>
#include <QRect>
#include <initializer_list>

class QPainter;

namespace ts::ui {

// The Windows system colours by their roles in the palette that was modelled on them.
enum class SysColour {
  BtnFace,       // Button
  BtnShadow,     // Dark
  BtnText,       // ButtonText
  BtnHighlight,  // Light
  DkShadow3D,    // Shadow
  Light3D,       // Midlight
  Window,        // Base
  Highlight,     // Highlight
};

QColor sysColour(SysColour c);

// One ring of a frame: `topLeft` on the top and left edges, `bottomRight` on the bottom and
// right edges (the top-right and bottom-left corner pixels belong to the bottom-right edges).
struct Ring {
  SysColour topLeft;
  SysColour bottomRight;
};

// One ring on the outline of `r` (r.right() and r.bottom() are its last pixels).
void drawRing(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight);
// Rings nested one pixel apart, the first on the outline of `r`.
void drawFrame(QPainter& p, const QRect& r, std::initializer_list<Ring> rings);

}  // namespace ts::ui
