#pragma once
// The screens' text font. The handheld drew every screen in "MS Sans Serif" with a cell height
// of 14 pixels, and the layouts are built on that line height. Here the face is the nearest
// sans serif of the same proportions (metric-compatible faces first, DejaVu Sans last), sized
// so that its text height (ascent + descent) is at most 14 pixels.

#include <QFont>

namespace tm47 {

inline constexpr int kScreenFontHeight = 14;

QFont ScreenFont(QFont::Weight weight);

} // namespace tm47
