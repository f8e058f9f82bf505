// The faces of the add-in's toolbar items (by the face numbers of the item table), and the
// two drawing steps the installer's pictures share with them.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>

namespace ts::office {

QImage face(int faceId, int size);
// The face numbers the items use.
inline constexpr int kFaceIds[] = {2566, 252, 13, 2892, 1589, 3021};

// A transparent square picture.
QImage transparentImage(int size);
// `s` centred in `r`, in DejaVu Sans of `pixelSize` pixels.
void centredText(QPainter& p, const QRectF& r, const QString& s, int pixelSize, bool bold,
                 const QColor& colour);
inline const QColor kFaceBlue(0x1f, 0x4e, 0x9a);
inline const QColor kFaceRed(0xc0, 0x20, 0x20);

}  // namespace ts::office
