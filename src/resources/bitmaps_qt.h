#pragma once
// The menu screen's bitmaps (names in bitmaps.h), drawn in code rather than stored, so they
// stay sharp at any zoom: the pixmap has the logical size below and `devicePixelRatio` times
// as many pixels.

#include <QPainter>
#include <QPixmap>
#include <QSize>
#include <string_view>

#include "resources/bitmaps.h"

namespace tm47 {

// Logical size of a bitmap; empty for an unknown name.
QSize BitmapSize(std::string_view name);

// The bitmap, transparent where it has no ink; a null pixmap for an unknown name.
QPixmap LoadBitmap(std::string_view name, qreal devicePixelRatio = 1.0);

// The program's icon, drawn from the menu artwork (the coil and the decay with its four gates)
// into a square of `side` logical pixels at the painter's origin.
void DrawAppIcon(QPainter& p, qreal side);

} // namespace tm47
