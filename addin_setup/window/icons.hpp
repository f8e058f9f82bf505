// The installer's pictures: its icon, the logo of the window, and the faces of the add-in's
// toolbar items (by the face numbers of the item table).
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace ts::office::window {

QIcon programIcon();
QPixmap logo();  // 187 x 48
QImage face(int faceId, int size);
// The face numbers the items use.
inline constexpr int kFaceIds[] = {2566, 252, 13, 2892, 1589, 3021};

}  // namespace ts::office::window
