// The installer's pictures: its icon and the logo of the window.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace ts::office::window {

QIcon programIcon();
QPixmap logo();  // 187 x 48

}  // namespace ts::office::window
